#include "simulator/DriveModel.h"

#include <cstdlib>

namespace drivesmith::sim {

std::size_t FlashSize(LoaderLayout layout) {
  return layout == LoaderLayout::TwoMegabyte ? std::size_t{0x200000} : std::size_t{0x100000};
}

namespace {

// The Up Mode product and revision, with the layout's defaults filled in.
std::string EffectiveLoaderProduct(const DriveModel& model) {
  if (!model.loaderProduct.empty()) return model.loaderProduct;
  return model.layout == LoaderLayout::TwoMegabyte ? kTwoMegabyteLoaderProduct
                                                   : kOneMegabyteLoaderProduct;
}

std::string EffectiveLoaderRevision(const DriveModel& model) {
  if (!model.loaderRevision.empty()) return model.loaderRevision;
  return model.layout == LoaderLayout::TwoMegabyte ? kTwoMegabyteLoaderRevision
                                                   : kOneMegabyteLoaderRevision;
}

}  // namespace

double LoaderVersionOf(const DriveModel& model) {
  // The loader goes by the revision field it reports: its four characters,
  // leading blanks skipped, then only the leading decimal number counts
  // (" 2.1" -> 2.1, "2.001" reports "2.00" -> 2.0, "1.1a" -> 1.1). Parsed by
  // hand so that the locale plays no part.
  std::string revision = EffectiveLoaderRevision(model).substr(0, kLoaderRevisionLength);
  revision.erase(0, revision.find_first_not_of(" \t\n\v\f\r"));
  double value = 0.0;
  double scale = 0.0;
  for (char c : revision) {
    if (c >= '0' && c <= '9') {
      const int digit = c - '0';
      if (scale == 0.0) {
        value = value * 10.0 + digit;
      } else {
        value += digit * scale;
        scale /= 10.0;
      }
    } else if (c == '.' && scale == 0.0) {
      scale = 0.1;
    } else {
      break;
    }
  }
  return value;
}

DriveModel WithDefaults(DriveModel model) {
  model.loaderProduct = EffectiveLoaderProduct(model);
  model.loaderRevision = EffectiveLoaderRevision(model);
  return model;
}

}  // namespace drivesmith::sim
