#include "render/look_drawer.h"

#include <GL/gl.h>

#include "bsp/bsp_node.h"
#include "scene/scene.h"

namespace pw {
namespace {

// Faces without a material, and every face in the flat mode: a light grey.
constexpr GLfloat kPlainGrey = 0.8f;
constexpr GLfloat kFlatGrey = 0.7f;

}  // namespace

LookDrawer::LookDrawer(const Scene& scene, const SceneLook& look, const LevelLook& materials)
    : scene_(scene), materials_(materials) {
  const auto count = static_cast<std::size_t>(scene.triangleCount());
  texCoords_.reserve(count);
  materialOf_.reserve(count);
  for (std::int32_t index = 0; index < scene.triangleCount(); ++index) {
    texCoords_.push_back(look.cornerTexCoords(scene, index));
    const TriangleLook* triangle = look.of(scene, index);
    materialOf_.push_back(triangle != nullptr ? triangle->material : TriangleLook::kNone);
  }
  buckets_.resize(materials.materials.size() + 1);
}

void LookDrawer::makeTextures() {
  textures_.resize(materials_.images.size());
  if (textures_.empty()) return;
  glGenTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
  for (std::size_t i = 0; i < textures_.size(); ++i) {
    const TextureImage& image = materials_.images[i];
    glBindTexture(GL_TEXTURE_2D, textures_[i]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.rgba.data());
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

void LookDrawer::emitTriangle(std::int32_t index, bool textured) const {
  const Triangle& triangle = scene_.triangle(index);
  const std::array<float, 6>& uv = texCoords_[static_cast<std::size_t>(index)];
  for (int k = 0; k < 3; ++k) {
    const Point3& normal = scene_.normal(triangle.normalIndex(k));
    const Point3& vertex = scene_.vertex(triangle.vertexIndex(k));
    if (textured) glTexCoord2f(uv[static_cast<std::size_t>(2 * k)], uv[static_cast<std::size_t>(2 * k + 1)]);
    glNormal3d(normal.x, normal.y, normal.z);
    glVertex3d(vertex.x, vertex.y, vertex.z);
  }
}

void LookDrawer::drawTextured(const std::vector<const BspNode*>& spaces) {
  if (textures_.size() != materials_.images.size()) makeTextures();
  for (auto& bucket : buckets_) bucket.clear();
  for (const BspNode* space : spaces) {
    for (const std::uint32_t index : space->triangles) {
      const std::int32_t material = materialOf_[index];
      buckets_[material == TriangleLook::kNone ? buckets_.size() - 1 : static_cast<std::size_t>(material)].push_back(
          static_cast<std::int32_t>(index));
    }
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  for (std::size_t bucket = 0; bucket < buckets_.size(); ++bucket) {
    if (buckets_[bucket].empty()) continue;
    const bool hasMaterial = bucket < materials_.materials.size();
    const std::int32_t image = hasMaterial ? materials_.imageOf[bucket] : -1;
    if (hasMaterial) {
      const Material& material = materials_.materials[bucket];
      glColor4f(material.diffuse[0], material.diffuse[1], material.diffuse[2], material.opacity);
    } else {
      glColor3f(kPlainGrey, kPlainGrey, kPlainGrey);
    }
    if (image >= 0) {
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, textures_[static_cast<std::size_t>(image)]);
    }
    glBegin(GL_TRIANGLES);
    for (const std::int32_t index : buckets_[bucket]) emitTriangle(index, image >= 0);
    glEnd();
    if (image >= 0) glDisable(GL_TEXTURE_2D);
  }
  glDisable(GL_BLEND);
}

void LookDrawer::draw(const std::vector<const BspNode*>& spaces, ViewMode mode) {
  if (mode == ViewMode::Textured) return drawTextured(spaces);
  const bool normals = mode == ViewMode::Normals;
  if (normals) glDisable(GL_LIGHTING);
  glColor3f(kFlatGrey, kFlatGrey, kFlatGrey);
  glBegin(GL_TRIANGLES);
  for (const BspNode* space : spaces) {
    for (const std::uint32_t index : space->triangles) {
      if (normals) {
        // Each axis from -1 .. 1 to 0 .. 1.
        const Point3& n = scene_.triangle(static_cast<std::int32_t>(index)).planeNormal();
        glColor3d(0.5 + 0.5 * n.x, 0.5 + 0.5 * n.y, 0.5 + 0.5 * n.z);
      }
      emitTriangle(static_cast<std::int32_t>(index), false);
    }
  }
  glEnd();
  if (normals) glEnable(GL_LIGHTING);
}

}  // namespace pw
