// The pasteboard over the GTK clipboard: what is written is read back through the X
// selection. Every test uses a selection of its own, so that test programs running side
// by side on one display do not meet.

#include <gtest/gtest.h>

#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Error.hpp"
#include "platform/gtk/GtkPasteboard.hpp"
#include "support/PrivatePasteboard.hpp"

namespace {

using Pasteboard = foundation::GtkPasteboard;

const std::string kLink = "https://vidlumen.example.com/wallpaper/aurora-Xy12?utm_source=share";

using testsupport::privatePasteboard;
using testsupport::startGtk;

bool offers(const std::vector<std::string>& types, std::string_view type) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

class PasteboardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(startGtk()) << "these tests need a display (run them under xvfb-run)"; }
};

// --- the pasteboard --------------------------------------------------------------------

TEST_F(PasteboardTest, BytesRoundTripUnderTheirTypes) {
  Pasteboard pasteboard = privatePasteboard();
  foundation::Bytes every(256);
  for (int i = 0; i < 256; ++i) every[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  ASSERT_TRUE(pasteboard.clearContents());
  EXPECT_TRUE(pasteboard.setData(every, Pasteboard::typePNG));
  EXPECT_TRUE(pasteboard.setData(foundation::bytesOf("%PDF-1.5 x"), Pasteboard::typePDF));
  EXPECT_EQ(pasteboard.writtenTypes(), (std::vector<std::string>{"image/png", "application/pdf"}));
  const auto types = pasteboard.types();
  EXPECT_TRUE(offers(types, "image/png"));
  EXPECT_TRUE(offers(types, "application/pdf"));
  EXPECT_FALSE(offers(types, "TARGETS"));
  EXPECT_EQ(pasteboard.dataForType(Pasteboard::typePNG), every) << "NUL bytes and all values pass";
  EXPECT_EQ(pasteboard.dataForType(Pasteboard::typePDF), foundation::bytesOf("%PDF-1.5 x"));
  EXPECT_EQ(pasteboard.dataForType(Pasteboard::typeTIFF), std::nullopt);
  EXPECT_EQ(pasteboard.dataForType(""), std::nullopt);
  EXPECT_FALSE(pasteboard.setData({}, ""));

  // The same type again replaces its entry in place.
  EXPECT_TRUE(pasteboard.setData(foundation::bytesOf("second"), Pasteboard::typePNG));
  EXPECT_EQ(pasteboard.writtenTypes(), (std::vector<std::string>{"image/png", "application/pdf"}));
  EXPECT_EQ(pasteboard.dataForType(Pasteboard::typePNG), foundation::bytesOf("second"));
  // An empty entry is offered as empty bytes.
  EXPECT_TRUE(pasteboard.setData({}, Pasteboard::typeSVG));
  EXPECT_EQ(pasteboard.dataForType(Pasteboard::typeSVG), foundation::Bytes{});
}

TEST_F(PasteboardTest, LargeDataRoundTrips) {
  Pasteboard pasteboard = privatePasteboard();
  foundation::Bytes big(3 * 1024 * 1024);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
  pasteboard.clearContents();
  ASSERT_TRUE(pasteboard.setData(big, Pasteboard::typeTIFF));
  EXPECT_EQ(pasteboard.dataForType(Pasteboard::typeTIFF), big);
}

TEST_F(PasteboardTest, TextIsOfferedUnderEveryTextTarget) {
  Pasteboard pasteboard = privatePasteboard();
  pasteboard.clearContents();
  const std::string text = "Aurora \u00fcber Fjord \u2014 " + kLink;
  ASSERT_TRUE(pasteboard.setString(text));
  EXPECT_EQ(pasteboard.string(), text);
  const auto types = pasteboard.types();
  for (const char* target : {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT"})
    EXPECT_TRUE(offers(types, target)) << target;
  EXPECT_EQ(pasteboard.dataForType("UTF8_STRING"), foundation::bytesOf(text));
  EXPECT_EQ(pasteboard.writtenTypes(), std::vector<std::string>{std::string(Pasteboard::typeString)});
  // Text that is not UTF-8 is refused and the pasteboard keeps what it had.
  EXPECT_FALSE(pasteboard.setString("\xff\xfe"));
  EXPECT_EQ(pasteboard.string(), text);
}

TEST_F(PasteboardTest, ClearingEmptiesTheSelectionWhoeverOwnedIt) {
  Pasteboard pasteboard = privatePasteboard();
  pasteboard.clearContents();
  pasteboard.setString("before");
  ASSERT_EQ(pasteboard.string(), "before");
  ASSERT_TRUE(pasteboard.clearContents());
  EXPECT_TRUE(pasteboard.types().empty());
  EXPECT_EQ(pasteboard.string(), std::nullopt);
  EXPECT_TRUE(pasteboard.writtenTypes().empty());

  // Another owner of the selection (a plain widget, not the clipboard) loses it too.
  GdkAtom atom = gdk_atom_intern(pasteboard.name().c_str(), FALSE);
  GtkWidget* other = gtk_invisible_new();
  gtk_widget_realize(other);
  ASSERT_TRUE(gtk_selection_owner_set(other, atom, GDK_CURRENT_TIME));
  EXPECT_EQ(gdk_selection_owner_get(atom), gtk_widget_get_window(other));
  pasteboard.clearContents();
  EXPECT_EQ(gdk_selection_owner_get(atom), nullptr);
  gtk_widget_destroy(other);
}

TEST_F(PasteboardTest, EntriesOutliveThePasteboardObject) {
  const std::string name = "VL_TEST_PASTEBOARD_" + std::to_string(getpid()) + "_outlive";
  {
    Pasteboard writer = Pasteboard::withName(name);
    writer.clearContents();
    writer.setData(foundation::bytesOf("kept"), Pasteboard::typeSVG);
  }
  const Pasteboard reader = Pasteboard::withName(name);
  EXPECT_EQ(reader.dataForType(Pasteboard::typeSVG), foundation::bytesOf("kept"));
  // A second writer of the same selection takes it over.
  Pasteboard second = Pasteboard::withName(name);
  second.clearContents();
  second.setData(foundation::bytesOf("new"), Pasteboard::typePNG);
  EXPECT_EQ(reader.dataForType(Pasteboard::typeSVG), std::nullopt);
  EXPECT_EQ(reader.dataForType(Pasteboard::typePNG), foundation::bytesOf("new"));
}

TEST_F(PasteboardTest, GeneralPasteboardIsTheClipboard) {
  EXPECT_EQ(Pasteboard::general().name(), "CLIPBOARD");
  EXPECT_TRUE(Pasteboard::isAvailable());
}

// A headless process: no display, so GTK cannot start and there is no clipboard. Run in a
// fresh process, since GTK cannot be un-initialised.
TEST(PasteboardWithoutADisplay, MakingOneRaisesUnavailable) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        if (gtk_init_check(nullptr, nullptr)) std::exit(2);  // found a display after all
        try {
          Pasteboard::general();
        } catch (const foundation::Error& e) {
          std::fprintf(stderr, "%s\n", e.what());
          std::exit(e.is(foundation::PasteboardError::unavailable) ? 0 : 3);
        }
        std::exit(1);
      },
      ::testing::ExitedWithCode(0), "PasteboardError\\.unavailable: no clipboard");
}

}  // namespace
