#include "tools/pack/TemporaryName.h"

#include <cstddef>
#include <random>

namespace drivesmith {
namespace {

// The random part of a named temporary.
constexpr std::size_t kRandomCharacters = 6;

bool IsAlphanumeric(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::string RandomTemporaryName() {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kAlphabet - 2);
  std::string name = kReplacementTemporaryPrefix;
  for (std::size_t i = 0; i < kRandomCharacters; ++i) name += kAlphabet[pick(random)];
  return name;
}

bool IsTemporaryName(const std::string& name) {
  const std::string prefix = kReplacementTemporaryPrefix;
  if (name.size() != prefix.size() + kRandomCharacters ||
      name.compare(0, prefix.size(), prefix) != 0) {
    return false;
  }
  for (std::size_t i = prefix.size(); i < name.size(); ++i) {
    if (!IsAlphanumeric(name[i])) return false;
  }
  return true;
}

}  // namespace drivesmith
