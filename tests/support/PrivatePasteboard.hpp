#pragma once
// For the tests of the GTK clipboard (GUI test programs only): GTK started once on the
// test display, and pasteboards of selections no other process uses, so that test
// programs running side by side on one display do not meet.

#include <gtk/gtk.h>
#include <unistd.h>

#include <string>

#include "platform/gtk/GtkPasteboard.hpp"

namespace testsupport {

inline bool startGtk() {
  static const bool started = gtk_init_check(nullptr, nullptr);
  return started;
}

inline foundation::GtkPasteboard privatePasteboard() {
  static int counter = 0;
  return foundation::GtkPasteboard::withName("VL_TEST_PASTEBOARD_" + std::to_string(getpid()) + "_" +
                                             std::to_string(++counter));
}

}  // namespace testsupport
