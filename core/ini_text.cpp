#include "core/ini_text.h"

namespace bimbly {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

IniText::IniText(std::string_view bytes) {
  Section* current = nullptr;
  while (!bytes.empty()) {
    const auto end = bytes.find('\n');
    std::string_view line = Trim(bytes.substr(0, end));
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    if (line.empty()) continue;
    if (line.front() == '[') {
      const auto close = line.find(']');
      if (close == std::string_view::npos) continue;
      sections_.push_back({std::string(Trim(line.substr(1, close - 1))), {}});
      current = &sections_.back();
      continue;
    }
    const auto eq = line.find('=');
    if (!current || eq == std::string_view::npos) continue;
    std::string_view value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    current->keys.emplace_back(std::string(Trim(line.substr(0, eq))), std::string(value));
  }
}

std::string IniText::Get(std::string_view section, std::string_view key) const {
  for (const auto& s : sections_) {
    if (!SameName(s.name, section)) continue;
    for (const auto& [name, value] : s.keys)
      if (SameName(name, key)) return value;
    return {};  // only the first section of a name counts
  }
  return {};
}

}  // namespace bimbly
