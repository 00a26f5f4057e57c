# External libraries, all from Debian packages (see tools/deps.sh).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(SDL2 REQUIRED)
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
pkg_check_modules(VORBIS REQUIRED IMPORTED_TARGET vorbisfile vorbisenc vorbis ogg)
pkg_check_modules(XXHASH REQUIRED IMPORTED_TARGET libxxhash)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libswresample libavutil)
pkg_check_modules(SQLITE REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(OPUS REQUIRED IMPORTED_TARGET opus)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)

add_library(vt_external INTERFACE)
target_link_libraries(vt_external INTERFACE
  SDL2::SDL2 PkgConfig::EPOXY PkgConfig::FREETYPE PkgConfig::FONTCONFIG
  PkgConfig::VORBIS PkgConfig::FFMPEG PkgConfig::XXHASH PkgConfig::SQLITE PkgConfig::OPUS PkgConfig::SODIUM Threads::Threads ${CMAKE_DL_LIBS})
target_include_directories(vt_external SYSTEM INTERFACE /usr/include/stb)
