#pragma once
// A stand-in for the operating system as transport selection sees it: a
// platform family, an ASPI library that may be missing or incomplete, and
// recorded message boxes.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/FakeAspiLayer.h"
#include "transport/TransportPlatform.h"

namespace drivesmith::testing {

struct ShownMessageBox {
  std::string text;
  std::string caption;
  MessageBoxKind kind;
  int librariesLoaded;  // ASPI libraries still loaded when the box was shown
};

class FakeTransportPlatform : public TransportPlatform {
 public:
  // Scripting.
  std::uint32_t platformId = kPlatformNt;
  bool aspiLibraryPresent = true;
  std::set<std::string, std::less<>> missingEntryPoints;
  std::uint32_t supportInfo = 0x0100;

  // Records.
  std::vector<std::string> libraryLoads;
  std::vector<ShownMessageBox> boxes;
  // Entry points looked up in the libraries handed out.
  std::vector<std::string> EntryPointLookups() const;
  // Libraries handed out and not yet released.
  int LibrariesLoaded() const { return *liveLibraries_; }

  std::uint32_t PlatformId() override { return platformId; }
  std::unique_ptr<AspiLibrary> LoadAspiLibrary(const std::string& name) override;
  void ShowMessageBox(const std::string& text, const std::string& caption,
                      MessageBoxKind kind) override;

 private:
  std::shared_ptr<int> liveLibraries_ = std::make_shared<int>(0);
  std::shared_ptr<std::vector<std::string>> lookups_ = std::make_shared<std::vector<std::string>>();
};

}  // namespace drivesmith::testing
