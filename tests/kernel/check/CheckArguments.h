#pragma once
// The command line of a kernel check: "--name value" pairs after the check's
// name, read by name with a default.

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace drivesmith::kernelcheck {

class CheckArguments {
 public:
  // False (with `error`) when an option has no value.
  bool Parse(const std::vector<std::string>& arguments, std::string& error) {
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
      if (arguments[i].rfind("--", 0) != 0 || i + 1 >= arguments.size()) {
        error = "expected --name value at " + arguments[i];
        return false;
      }
      values_[arguments[i].substr(2)] = arguments[i + 1];
    }
    return true;
  }

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::string Text(const std::string& name, const std::string& otherwise = {}) const {
    return Has(name) ? values_.at(name) : otherwise;
  }
  int Number(const std::string& name, int otherwise) const {
    return Has(name) ? std::atoi(values_.at(name).c_str()) : otherwise;
  }

 private:
  std::map<std::string, std::string> values_;
};

}  // namespace drivesmith::kernelcheck
