#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace glkov {

// A settings file of [sections] with key=value lines, in the order they were read or set.
// Written through AtomicFile with CR LF line ends; read leniently as to line ends and spaces.
class IniFile {
 public:
  // Largest settings file read: 1 MiB.
  static constexpr size_t kMaxBytes = 1 << 20;

  // Reads a file; a missing file gives an empty one. Throws glkov::Error naming the file when it
  // cannot be read, is larger than kMaxBytes or holds a line that is neither a section, a
  // key=value pair, a comment (";" or "#") nor blank.
  static IniFile Load(const std::filesystem::path& fileName);
  static IniFile Parse(const std::string& text, const std::string& fileName);

  std::optional<std::string> Value(const std::string& section, const std::string& key) const;
  std::string Value(const std::string& section, const std::string& key,
                    const std::string& fallback) const;
  // A number or a switch; the fallback when the key is missing or not of that kind.
  int IntValue(const std::string& section, const std::string& key, int fallback) const;
  bool BoolValue(const std::string& section, const std::string& key, bool fallback) const;

  void SetValue(const std::string& section, const std::string& key, const std::string& value);
  void SetValue(const std::string& section, const std::string& key, int value);
  void SetValue(const std::string& section, const std::string& key, bool value);
  void RemoveSection(const std::string& section);

  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(const std::string& section) const;

  std::string Text() const;
  // Throws glkov::Error naming the file when it cannot be written; the old file then stays.
  void Save(const std::filesystem::path& fileName) const;

 private:
  struct Section {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Entries;
  };
  Section* Find(const std::string& section);
  const Section* Find(const std::string& section) const;
  std::vector<Section> sections_;
};

}  // namespace glkov
