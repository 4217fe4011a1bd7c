#include "render/look_drawer.h"

#include <GL/gl.h>

#include "bsp/bsp_node.h"
#include "scene/scene.h"

namespace pw {
namespace {

// Faces without a material: a light grey.
constexpr GLfloat kPlainGrey = 0.8f;

// Whether some texel of the image is not wholly opaque.
bool seeThrough(const TextureImage& image) {
  for (std::size_t i = 3; i < image.rgba.size(); i += 4) {
    if (image.rgba[i] != 255) return true;
  }
  return false;
}

}  // namespace

std::array<double, 3> normalsColour(const Point3& n) { return {0.5 + 0.5 * n.x, 0.5 + 0.5 * n.y, 0.5 + 0.5 * n.z}; }

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
  blended_.assign(buckets_.size(), false);
  for (std::size_t slot = 0; slot < materials.materials.size(); ++slot) {
    // Images not decoded (a drawer that only sorts triangles) count as opaque.
    const auto image = static_cast<std::size_t>(materials.imageOf[slot]);
    blended_[slot] = materials.materials[slot].opacity < 1.0f ||
                     (image < materials.images.size() && seeThrough(materials.images[image]));
  }
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
    // Bilinear within the nearest mipmap level, as the games these levels
    // come from draw by default: it costs a software rasteriser about a
    // quarter less than blending two levels.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
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

std::size_t LookDrawer::materialSlot(std::uint32_t triangle) const {
  const std::int32_t material = materialOf_[triangle];
  return material == TriangleLook::kNone ? buckets_.size() - 1 : static_cast<std::size_t>(material);
}

void LookDrawer::beginTextured() {
  if (textures_.size() != materials_.images.size()) makeTextures();
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

bool LookDrawer::beginMaterial(std::size_t slot) {
  const bool hasMaterial = slot < materials_.materials.size();
  const std::int32_t image = hasMaterial ? materials_.imageOf[slot] : -1;
  if (blended_[slot]) {
    glEnable(GL_BLEND);
  } else {
    glDisable(GL_BLEND);
  }
  if (hasMaterial) {
    const Material& material = materials_.materials[slot];
    glColor4f(material.diffuse[0], material.diffuse[1], material.diffuse[2], material.opacity);
  } else {
    glColor3f(kPlainGrey, kPlainGrey, kPlainGrey);
  }
  if (image < 0) return false;
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, textures_[static_cast<std::size_t>(image)]);
  return true;
}

void LookDrawer::endMaterial(bool textured) {
  if (textured) glDisable(GL_TEXTURE_2D);
}

void LookDrawer::endTextured() { glDisable(GL_BLEND); }

void LookDrawer::drawTextured(const std::vector<const BspNode*>& spaces) {
  for (auto& bucket : buckets_) bucket.clear();
  for (const BspNode* space : spaces) {
    for (const std::uint32_t index : space->triangles) {
      buckets_[materialSlot(index)].push_back(static_cast<std::int32_t>(index));
    }
  }
  beginTextured();
  for (std::size_t bucket = 0; bucket < buckets_.size(); ++bucket) {
    if (buckets_[bucket].empty()) continue;
    const bool textured = beginMaterial(bucket);
    glBegin(GL_TRIANGLES);
    for (const std::int32_t index : buckets_[bucket]) emitTriangle(index, textured);
    glEnd();
    endMaterial(textured);
  }
  endTextured();
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
        const std::array<double, 3> colour = normalsColour(scene_.triangle(static_cast<std::int32_t>(index)).planeNormal());
        glColor3d(colour[0], colour[1], colour[2]);
      }
      emitTriangle(static_cast<std::int32_t>(index), false);
    }
  }
  glEnd();
  if (normals) glEnable(GL_LIGHTING);
}

}  // namespace pw
