#include <gtest/gtest.h>

#include "app/viewer/sdl_platform.h"

namespace pw {
namespace {

TEST(SdlKeys, mapToWin32VirtualKeyCodes) {
  struct Case {
    SDL_Keycode key;
    int code;
  };
  const Case cases[] = {
      {SDLK_ESCAPE, 27}, {SDLK_LEFT, 37}, {SDLK_UP, 38},    {SDLK_RIGHT, 39},  {SDLK_DOWN, 40},
      {SDLK_F1, 112},    {SDLK_F12, 123}, {SDLK_a, 'A'},    {SDLK_z, 'Z'},     {SDLK_0, '0'},
      {SDLK_9, '9'},     {SDLK_SPACE, 32}, {SDLK_RETURN, 13}, {SDLK_KP_ENTER, 13}, {SDLK_LSHIFT, 16},
      {SDLK_RCTRL, 17},  {SDLK_KP_7, 103}, {SDLK_DELETE, 46},
  };
  for (const Case& c : cases) EXPECT_EQ(virtualKeyOf(c.key), std::optional<int>(c.code)) << SDL_GetKeyName(c.key);
}

}  // namespace
}  // namespace pw
