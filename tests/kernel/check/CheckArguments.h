#pragma once
// The command line of a kernel check: "--name value" pairs after the check's
// name, read by name with a default.

#include <map>
#include <string>
#include <vector>

namespace drivesmith::kernelcheck {

class CheckArguments {
 public:
  // False (with `error`) when an option has no value.
  bool Parse(const std::vector<std::string>& arguments, std::string& error);

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  std::string Text(const std::string& name, const std::string& otherwise = {}) const;
  int Number(const std::string& name, int otherwise) const;

 private:
  std::map<std::string, std::string> values_;
};

}  // namespace drivesmith::kernelcheck
