// An INI file held in memory, read the way the platform's profile functions
// read one from disk: the first section of a name, the first key of a name in
// it, letter case ignored in both, blanks around names and values dropped and
// one pair of quotes around a value taken off. The updater reads a manifest
// from the very bytes whose signature it checked, never from the disk again.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bimbly {

class IniText {
 public:
  explicit IniText(std::string_view bytes);
  // The value's bytes as written (the caller knows their code page); empty when missing.
  std::string Get(std::string_view section, std::string_view key) const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
  };
  std::vector<Section> sections_;
};

}  // namespace bimbly
