// Fuzz target for story scripts: the first byte chooses the main side and the input pattern, the
// rest is the script. It is loaded, run for frames with buttons taken from the bytes, its stage
// commands applied and ended; the text layout also runs into a small picture.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/Text/fnt_writer.h"
#include "app/lib_debug.h"
#include "battle/battle_records.h"
#include "scene/scene_frame.h"
#include "scene/story_draw.h"
#include "scene/story_script.h"

using namespace vt::text;

namespace {

struct World {
  std::vector<uint8_t> images[2];
  FntFont fonts[2];
  // The draw lists go with the world, so the corpus run ends with nothing held.
  ~World() { ShutdownGrpManager(); }
  World() {
    InitD3DTools();
    DeviceRequest req;
    req.width = 640;
    req.height = 480;
    CreateD3DDevice(req);
    vt::gfx::MakeDeviceCurrentOnThisThread();
    InitGrpManager();
    const uint32_t codes[] = {0x82A0, 0x82A2, 0x81DD, 0x8260, 0x8140};
    for (int i = 0; i < 2; ++i) {
      FntWriteSpec layout;
      layout.width = i == 0 ? 20 : 10;
      layout.height = i == 0 ? 20 : 10;
      layout.exV1 = i == 0;
      for (uint32_t c : codes) {
        FntGlyphSpec g;
        g.code = c;
        g.advance = 12;
        g.levels.assign(size_t(layout.width) * layout.height, 1);
        layout.glyphs.push_back(g);
      }
      images[i] = WriteFntFont(layout);
      BindFntFont(&fonts[i], images[i], "fuzz");
    }
    g_StoryFonts[0] = &fonts[0];
    g_StoryFonts[1] = &fonts[1];
    g_StoryFonts[3] = &fonts[0];
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static World world;
  vt::SetDebugQuiet(true);
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  g_MainSide = mode & 1;
  g_SceneId = (mode & 2) ? SCENE_BATTLE : SCENE_STORY;
  LoadStoryScriptText(text);
  for (int frame = 0; frame < 300; ++frame) {
    const uint8_t b = text.empty() ? 0 : static_cast<uint8_t>(text[static_cast<size_t>(frame) % text.size()]);
    StoryInput in;
    in.active = 1;
    in.ending = (mode >> 2) & 1;
    in.advance = (mode & 8) ? (b & 1) : 1;
    in.fastForward = (mode >> 4) & (b >> 1) & 1;
    in.skip = (mode >> 5) & (b == 0x5C);
    const int result = RunStoryScript(in);
    ResetDrawList(&g_MainDrawList);
    if (result != 1 || !GetStoryState().loaded) break;
  }
  ApplyStoryScriptBackground();
  EndStoryScript();
  StripStoryText(text);
  std::vector<uint32_t> pixels(256 * 300);
  PixelTarget target{reinterpret_cast<uint8_t*>(pixels.data()), 256 * 4, 256, 300, PixelFormat::kA8R8G8B8};
  RenderStoryTextPixels(target, text, &world.fonts[0], &world.fonts[1]);
  return 0;
}
