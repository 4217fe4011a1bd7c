#include "portal/portal.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

namespace pw {

Portal::Portal() : twin_(nullptr) {
  ownedTwin_.reset(new Portal(this));
  twin_ = ownedTwin_.get();
}

Portal::Portal(Portal* primary) : twin_(primary) {}

Portal::~Portal() {
  // A twin is only destroyed by its primary, which detaches it first;
  // anything else would leave the primary pointing at freed memory.
  assert(ownedTwin_ != nullptr || twin_ == nullptr);
  if (ownedTwin_ != nullptr) {
    ownedTwin_->twin_ = nullptr;
    ownedTwin_.reset();
  }
  // The triangles go with the members; children are never touched.
}

std::int32_t Portal::addTriangle(const Point3& a, const Point3& b, const Point3& c) {
  assert(front_ == nullptr && behind_ == nullptr && "a split fragment gets no triangles");
  const std::int32_t index = triangleCount();
  triangles_.emplace_back(a, b, c);
  // The twin faces the other way: same corners, reversed winding.
  twin_->triangles_.emplace_back(c, b, a);
  return index;
}

void Portal::setChildren(Portal* front, Portal* behind) {
  assert(front != nullptr && behind != nullptr);
  assert(front_ == nullptr && behind_ == nullptr && "a fragment is split at most once");
  front_ = front;
  behind_ = behind;
  front->target_ = target_;
  behind->target_ = target_;
  std::vector<PortalTriangle>().swap(triangles_);

  // The twin is split the same way, with the children's twins, which lead
  // where the twin leads.
  twin_->front_ = front->twin_;
  twin_->behind_ = behind->twin_;
  front->twin_->target_ = twin_->target_;
  behind->twin_->target_ = twin_->target_;
  std::vector<PortalTriangle>().swap(twin_->triangles_);
}

const PortalTriangle* Portal::facingTriangle() const {
  for (const PortalTriangle& triangle : triangles_) {
    const auto& v = triangle.vertices;
    const Point3 n = cross(v[1] - v[0], v[2] - v[0]);
    double longest = 0.0;
    for (int k = 0; k < 3; ++k) {
      const Point3 edge = v[(k + 1) % 3] - v[k];
      longest = std::max(longest, dot(edge, edge));
    }
    if (std::sqrt(dot(n, n)) > kSliverCrossShare * longest) return &triangle;
  }
  return nullptr;
}

Portal* PortalStore::adopt(std::unique_ptr<Portal> primary) {
  assert(primary != nullptr);
  primaries_.push_back(std::move(primary));
  return primaries_.back().get();
}

}  // namespace pw
