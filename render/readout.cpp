#include "render/readout.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

// The font's functions are static: this is its only user.
#include <stb_easy_font.h>

namespace pw {
namespace {

// The font is 7 pixels high at scale 1; drawn up to twice as large, as far
// as the line fits the window's width.
constexpr float kLargestScale = 2.0f;
constexpr float kMargin = 4.0f;  // pixels between the band's edge and the text
constexpr float kLineHeight = 12.0f;
// stb_easy_font wants about 270 bytes of quads per character.
constexpr std::size_t kBytesPerCharacter = 270;

const char* cullingName(Culling culling) {
  constexpr std::array<const char*, 4> kNames = {"designed", "sound", "narrow", "all"};  // Culling's order
  return kNames[static_cast<std::size_t>(culling)];
}

}  // namespace

std::string readoutText(const ReadoutFigures& f) {
  const double frameMs = f.framesPerSecond > 0.0 ? 1000.0 / f.framesPerSecond : 0.0;
  char line[256];
  std::snprintf(line, sizeof line,
                "%.0f fps  %.1f ms (cull %.1f, draw %.1f)  %d spaces  %llu tris  %s %s  eye %.1f %.1f %.1f yaw %.0f",
                f.framesPerSecond, frameMs, 1000.0 * f.counts.cullingSeconds, 1000.0 * f.counts.drawingSeconds,
                f.counts.spaces, static_cast<unsigned long long>(f.counts.triangles), cullingName(f.culling),
                std::string(viewModeName(f.mode)).c_str(), -f.camera.tx, -f.camera.ty, -f.camera.tz,
                static_cast<double>(f.camera.yaw));
  return line;
}

void drawReadout(const std::string& text, int width, int height) {
  std::vector<char> quads(kBytesPerCharacter * (text.size() + 1));
  std::vector<char> mutableText(text.begin(), text.end());
  mutableText.push_back('\0');
  const int quadCount = stb_easy_font_print(0.0f, 0.0f, mutableText.data(), nullptr, quads.data(),
                                            static_cast<int>(quads.size()));
  const float textWidth = static_cast<float>(stb_easy_font_width(mutableText.data()));

  // The current colour is left as the text's, not pushed: every drawing sets
  // its own first, and Mesa, restoring a pushed colour, can skip the frame's
  // next glColor of that same value for the vertex arrays that follow.
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  // Pixels, y down, as the font lays its quads out.
  glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  const float scale = std::min(kLargestScale, (static_cast<float>(width) - 2.0f * kMargin) / std::max(textWidth, 1.0f));
  glTranslatef(kMargin, kMargin, 0.0f);
  glScalef(scale, scale, 1.0f);
  glColor3f(0.0f, 0.0f, 0.0f);
  glRectf(-kMargin / scale, -kMargin / scale, textWidth + kMargin / scale, kLineHeight);
  glColor3f(1.0f, 1.0f, 1.0f);
  glEnableClientState(GL_VERTEX_ARRAY);
  // Each vertex is x, y, z as floats and 4 colour bytes: 16 bytes.
  glVertexPointer(2, GL_FLOAT, 16, quads.data());
  glDrawArrays(GL_QUADS, 0, quadCount * 4);
  glDisableClientState(GL_VERTEX_ARRAY);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopAttrib();
}

}  // namespace pw
