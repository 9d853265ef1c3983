// A temporary HOME and XDG_DATA_HOME for tests, so that nothing reads or writes the user's real data
// folder: test programs that link kd_temp_home_environment run every test in one, and fixtures that touch
// files take a fresh one of their own.
#pragma once

#include <string>

namespace presets_test {

// Creates a new temporary folder, points HOME at it and XDG_DATA_HOME at its "share" sub-folder (not yet
// created); when destroyed, removes the whole folder and puts both variables back as they were.
class TempDataHome {
 public:
  TempDataHome();
  ~TempDataHome();
  TempDataHome(const TempDataHome&) = delete;
  TempDataHome& operator=(const TempDataHome&) = delete;

  const std::string& Root() const { return mRoot; }
  std::string DataHome() const { return mRoot + "/share"; }
  // The product's data folder and preset folder under this home.
  std::string DataFolder() const { return DataHome() + "/Kelvadrune"; }
  std::string PresetFolder() const { return DataFolder() + "/VST2"; }

 private:
  std::string mRoot;
  std::string mOldHome;
  std::string mOldDataHome;
};

// Writes text to path (replacing it); false when that fails.
bool WriteTextFile(const std::string& path, const std::string& text);
// The file's content, "" when it cannot be read.
std::string ReadTextFile(const std::string& path);

}  // namespace presets_test
