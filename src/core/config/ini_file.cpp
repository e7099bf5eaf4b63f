#include "core/config/ini_file.h"

#include <cstdint>
#include <fstream>
#include <sstream>

#include "core/error.h"
#include "core/util/atomic_file.h"
#include "core/util/text_format.h"

namespace glkov {
namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// Keys and values are single lines; line breaks in a value become spaces.
std::string OneLine(std::string s) {
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

}  // namespace

IniFile IniFile::Load(const std::filesystem::path& fileName) {
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec)) return {};
  const auto size = std::filesystem::file_size(fileName, ec);
  if (ec) throw Error("Cannot read the settings file " + fileName.string() + ": " + ec.message());
  if (size > kMaxBytes) throw Error("The settings file " + fileName.string() + " is too large");
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw Error("Cannot read the settings file " + fileName.string());
  std::ostringstream text;
  text << in.rdbuf();
  return Parse(text.str(), fileName.string());
}

IniFile IniFile::Parse(const std::string& text, const std::string& fileName) {
  IniFile ini;
  std::istringstream in(text);
  std::string section;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t.front() == '[' && t.back() == ']') {
      section = t.substr(1, t.size() - 2);
      if (!ini.Find(section)) ini.sections_.push_back({section, {}});
      continue;
    }
    const size_t eq = t.find('=');
    if (eq == std::string::npos || eq == 0 || t.find('\0') != std::string::npos)
      throw Error("The settings file " + fileName + " is malformed at line " +
                  std::to_string(number));
    ini.SetValue(section, Trim(t.substr(0, eq)), t.substr(eq + 1));
  }
  return ini;
}

IniFile::Section* IniFile::Find(const std::string& section) {
  for (Section& s : sections_)
    if (s.Name == section) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::Find(const std::string& section) const {
  for (const Section& s : sections_)
    if (s.Name == section) return &s;
  return nullptr;
}

std::optional<std::string> IniFile::Value(const std::string& section,
                                          const std::string& key) const {
  if (const Section* s = Find(section))
    for (const auto& [k, v] : s->Entries)
      if (k == key) return v;
  return std::nullopt;
}

std::string IniFile::Value(const std::string& section, const std::string& key,
                           const std::string& fallback) const {
  return Value(section, key).value_or(fallback);
}

int IniFile::IntValue(const std::string& section, const std::string& key, int fallback) const {
  const auto v = Value(section, key);
  if (!v) return fallback;
  const auto n = ParseInt(Trim(*v));
  if (!n || *n < INT32_MIN || *n > INT32_MAX) return fallback;
  return static_cast<int>(*n);
}

bool IniFile::BoolValue(const std::string& section, const std::string& key, bool fallback) const {
  const auto v = Value(section, key);
  if (!v) return fallback;
  const std::string t = Trim(*v);
  if (t == "1" || t == "true" || t == "True") return true;
  if (t == "0" || t == "false" || t == "False") return false;
  return fallback;
}

void IniFile::SetValue(const std::string& section, const std::string& key,
                       const std::string& value) {
  Section* s = Find(section);
  if (!s) {
    sections_.push_back({section, {}});
    s = &sections_.back();
  }
  const std::string k = OneLine(key);
  for (auto& [ek, ev] : s->Entries)
    if (ek == k) {
      ev = OneLine(value);
      return;
    }
  s->Entries.emplace_back(k, OneLine(value));
}

void IniFile::SetValue(const std::string& section, const std::string& key, int value) {
  SetValue(section, key, std::to_string(value));
}

void IniFile::SetValue(const std::string& section, const std::string& key, bool value) {
  SetValue(section, key, std::string(value ? "1" : "0"));
}

void IniFile::RemoveSection(const std::string& section) {
  std::erase_if(sections_, [&](const Section& s) { return s.Name == section; });
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  for (const Section& s : sections_) names.push_back(s.Name);
  return names;
}

std::vector<std::string> IniFile::Keys(const std::string& section) const {
  std::vector<std::string> keys;
  if (const Section* s = Find(section))
    for (const auto& e : s->Entries) keys.push_back(e.first);
  return keys;
}

std::string IniFile::Text() const {
  std::string t;
  for (const Section& s : sections_) {
    if (!s.Name.empty() || !s.Entries.empty()) {
      if (!t.empty()) t += "\r\n";
      if (!s.Name.empty()) t += "[" + s.Name + "]\r\n";
    }
    for (const auto& [k, v] : s.Entries) t += k + "=" + v + "\r\n";
  }
  return t;
}

void IniFile::Save(const std::filesystem::path& fileName) const {
  WriteFileAtomically(fileName, Text());
}

}  // namespace glkov
