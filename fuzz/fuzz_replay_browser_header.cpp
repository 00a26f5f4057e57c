// Fuzz target: the replay browser's use of a file's header, over a ".rep" holding arbitrary
// bytes: the probe and the header read, the five preview lines rendered by the browser's text
// renderer on a fake glyph source, and the icon requests of both players, which must never
// name a record outside the hundred icon records or a character missing from the list.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "Dxtools/Text/font_manage.h"
#include "Replay/replay_browser.h"
#include "battle/chara_list.h"
#include "platform/glyph/glyph_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static vt::glyph::FakeGlyphSource glyphs({16, 4, 20}, {});
  static const bool ready = [] {
    vt::glyph::SetGlyphSource(&glyphs);
    // Characters 0, 1 and 3 named, 2 without a name, the rest absent.
    LoadCharaSelectList(
        "[CharaNo_000]\r\nName=Tester\r\nFile1=tester\r\nFile2=0\r\n"
        "[CharaNo_001]\r\nName=Duelist\r\nFile1=duelist\r\nFile2=0\r\n"
        "[CharaNo_002]\r\nFile1=tester\r\nFile2=0\r\n"
        "[CharaNo_003]\r\nName=Third\r\nFile1=duelist\r\nFile2=0\r\n");
    return true;
  }();
  (void)ready;
  static const std::string file = "fuzz_replay_browser_" + std::to_string(getpid()) + ".rep";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const int probe = ProbeReplayFile(file);
  if (probe != 1 && probe != -2 && probe != -3) std::abort();
  ReplayFileHeader h;
  if (probe == 1 && ReadReplayFileHeader(&h, file) == 1) {
    const std::vector<std::string> lines = ReplayPreviewLines(h, "text 69");
    if (lines.size() != 5) std::abort();
    vt::text::FontManageDesc desc;
    desc.SetDefaults();
    desc.height = 20;
    vt::text::CD3DXFontManage font(desc);
    std::vector<uint8_t> pixels(1024 * 128 * 4);
    font.SetTargetPixels({pixels.data(), 1024 * 4, 1024, 128, vt::text::PixelFormat::kA8R8G8B8});
    font.BeginDraw();
    for (size_t i = 0; i < lines.size(); ++i) {
      vt::text::DrawStringArgs a;
      a.y = static_cast<int>(i) * 20;
      a.text = lines[i].c_str();
      a.raw = 1;
      font.DrawString(a);
    }
    font.EndDraw();
    for (const ReplayFileHeader::Player& p : h.players) {
      const bool allowed = ReplayIconAllowed(p.character);
      if (allowed != (p.character <= 3)) std::abort();  // the four entries of the list above
      if (allowed && (p.character >= static_cast<uint32_t>(kReplayIconRecords) ||
                      GetCharaListEntry(static_cast<int>(p.character)) == nullptr))
        std::abort();
    }
  }
  std::remove(file.c_str());
  return 0;
}
