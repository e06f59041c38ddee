#include "tests/kernel/check/CheckArguments.h"

#include <cstdlib>

namespace drivesmith::kernelcheck {

bool CheckArguments::Parse(const std::vector<std::string>& arguments, std::string& error) {
  for (std::size_t i = 0; i < arguments.size(); i += 2) {
    if (arguments[i].rfind("--", 0) != 0 || i + 1 >= arguments.size()) {
      error = "expected --name value at " + arguments[i];
      return false;
    }
    values_[arguments[i].substr(2)] = arguments[i + 1];
  }
  return true;
}

std::string CheckArguments::Text(const std::string& name, const std::string& otherwise) const {
  const auto found = values_.find(name);
  return found == values_.end() ? otherwise : found->second;
}

int CheckArguments::Number(const std::string& name, int otherwise) const {
  const auto found = values_.find(name);
  return found == values_.end() ? otherwise : std::atoi(found->second.c_str());
}

}  // namespace drivesmith::kernelcheck
