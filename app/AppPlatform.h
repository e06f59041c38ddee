#pragma once
// Port: what start-up needs of the operating system: what the transport
// selection needs, and a message box for when no transport can be had.

#include <string>

#include "transport/TransportPlatform.h"
#include "ui/MessageBox.h"

namespace drivesmith {

class AppPlatform : public TransportPlatform {
 public:
  // A message box without owner window; returns when it is dismissed.
  virtual void ShowMessageBox(const std::string& text, const std::string& caption,
                              MessageBoxKind kind) = 0;
};

}  // namespace drivesmith
