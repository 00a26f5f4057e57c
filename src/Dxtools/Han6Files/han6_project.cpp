// Frame-data project building, writing and loading.
#include "Dxtools/Han6Files/han6_project.h"

#include <cstdio>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "app/lib_debug.h"

namespace {

constexpr size_t kNameRoom = 63;
// "File%02d" entries beyond this are not looked up: no project lists so many files.
constexpr int kMaxListedFiles = 100;

std::string Fit(std::string s) {
  if (s.size() > kNameRoom) s.resize(kNameRoom);
  return s;
}

std::vector<std::string> ReadList(const std::string& path, const Han6IniLookup& lookup, const char* section,
                                  bool singleFallback) {
  std::vector<std::string> out;
  std::string value;
  int count = 0;
  if (lookup(section, "FileNum", value)) count = std::atoi(value.c_str());
  if (count > kMaxListedFiles) {
    DebugPrint("%s: [%s] FileNum %d cut to %d\n", path.c_str(), section, count, kMaxListedFiles);
    count = kMaxListedFiles;
  }
  if (count > 0) {
    for (int i = 0; i < count; ++i) {
      char key[16];
      std::snprintf(key, sizeof key, "File%02d", i);
      if (lookup(section, key, value) && !value.empty()) {
        out.push_back(Fit(value));
      } else {
        DebugPrint("%s: [%s] %s missing\n", path.c_str(), section, key);
      }
    }
  } else if (singleFallback && lookup(section, "File", value) && !value.empty()) {
    out.push_back(Fit(value));
  }
  return out;
}

}  // namespace

Han6Project* BuildHan6Project(const std::string& path, const Han6IniLookup& lookup) {
  std::string name;
  if (!lookup("System", "ProjectName", name) || name.empty()) {
    if (!lookup("Project", "File", name)) name.clear();
  }
  if (name.empty()) {
    DebugPrint("%s: project without a name\n", path.c_str());
    return nullptr;
  }
  auto* project = new Han6Project();
  project->projectPath = path.size() > 255 ? path.substr(0, 255) : path;
  project->projectName = Fit(name);
  project->dataFiles = ReadList(path, lookup, "DataFile", true);
  project->cutSpriteFiles = ReadList(path, lookup, "BmpcutFile", false);
  project->paniFiles = ReadList(path, lookup, "PAniFile", false);
  return project;
}

void FreeHan6Project(Han6Project* project) { delete project; }

std::string Han6ProjectFilePath(const Han6Project& project, const std::string& name) {
  const size_t slash = project.projectPath.rfind('\\');
  return (slash == std::string::npos ? std::string() : project.projectPath.substr(0, slash + 1)) + name;
}

std::string WriteHan6ProjectText(const Han6Project& project) {
  std::string out = "[System]\r\nProjectName=" + project.projectName + "\r\n";
  auto list = [&](const char* section, const std::vector<std::string>& files) {
    out += std::string("\r\n[") + section + "]\r\nFileNum=" + std::to_string(files.size()) + "\r\n";
    for (size_t i = 0; i < files.size(); ++i) {
      char key[32];
      std::snprintf(key, sizeof key, "File%02zu", i);
      out += std::string(key) + "=" + files[i] + "\r\n";
    }
  };
  list("DataFile", project.dataFiles);
  list("BmpcutFile", project.cutSpriteFiles);
  list("PAniFile", project.paniFiles);
  return out;
}

int LoadHan6ProjectData(FrameDataSet& set, const Han6Project* project, const Han6FileSource& source,
                        std::string* error, int embeddedPixels) {
  if (project == nullptr || project->projectName.empty()) return 0;
  auto fail = [&](const char* message) {
    if (error != nullptr) *error = message;
    return 0;
  };
  if (!project->dataFiles.empty()) {
    set.patterns = InitHan6PatternSet();
    // Last listed first: a pattern keeps its first definition with frames, so a later-listed
    // file overrides an earlier one. A failing file does not stop the others.
    for (size_t i = project->dataFiles.size(); i-- > 0;) {
      const std::string path = Han6ProjectFilePath(*project, project->dataFiles[i]);
      if (auto image = source(path)) {
        ParseHan6DataFile(*image, *set.patterns, path.c_str());
      } else {
        DebugPrint("%s: data file missing\n", path.c_str());
      }
    }
  }
  if (!project->cutSpriteFiles.empty()) {
    const std::string path = Han6ProjectFilePath(*project, project->cutSpriteFiles[0]);
    if (auto image = source(path)) set.sprites = ParseCutSpriteSheet(*image, embeddedPixels, path.c_str());
    if (set.sprites == nullptr) return fail("ProjectFile内のBMPCUTDATAが見つかりません");
  }
  if (!project->paniFiles.empty()) {
    const std::string path = Han6ProjectFilePath(*project, project->paniFiles[0]);
    if (auto image = source(path)) set.pani = ParsePAniData(*image, embeddedPixels, path.c_str());
    if (set.pani == nullptr) return fail("ProjectFile内のPANIDATAが見つかりません");
  }
  return 1;
}
