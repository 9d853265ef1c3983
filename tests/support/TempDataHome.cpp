#include "tests/support/TempDataHome.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace presets_test {

namespace {

std::string Env(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

void RestoreEnv(const char* name, const std::string& value) {
  if (value.empty())
    unsetenv(name);
  else
    setenv(name, value.c_str(), 1);
}

}  // namespace

TempDataHome::TempDataHome() : mOldHome(Env("HOME")), mOldDataHome(Env("XDG_DATA_HOME")) {
  std::string pattern = (std::filesystem::temp_directory_path() / "kd-test-home-XXXXXX").string();
  if (mkdtemp(pattern.data())) mRoot = pattern;
  setenv("HOME", mRoot.c_str(), 1);
  setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
}

TempDataHome::~TempDataHome() {
  std::error_code ignored;
  if (!mRoot.empty()) std::filesystem::remove_all(mRoot, ignored);
  RestoreEnv("HOME", mOldHome);
  RestoreEnv("XDG_DATA_HOME", mOldDataHome);
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  return static_cast<bool>(file);
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace presets_test
