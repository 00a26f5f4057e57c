// The least a game folder needs to start: the pack data version file (loose, until packs exist).
#include "mkdata.h"

static bool WriteBase(const std::filesystem::path& root) {
  return mkdata::WriteText(root, "PackDataVersion/pack_0008_version.txt", "3\r\n");
}
MKDATA_STEP("00_base", WriteBase);
