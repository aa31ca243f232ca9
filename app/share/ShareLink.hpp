#pragma once
// The share link of a wallpaper and its two tracked variants.

#include <string>
#include <string_view>

namespace sharelink {

// The catalogue site's address: scheme and host, no trailing slash.
inline constexpr std::string_view siteAddress = "https://vidlumen.com";
inline constexpr std::string_view wallpaperPath = "/wallpaper/";
inline constexpr std::string_view query = "?utm_source=macos_app&utm_medium=share_current_wallpaper";
// Appended to the plain link for the text of the QR code and for the copied text.
inline constexpr std::string_view qrCodeSuffix = "&utm_content=qr_code";
inline constexpr std::string_view copyLinkSuffix = "&utm_content=copy_link_button";

// The plain link: site address, "/wallpaper/", the slug (already percent-encoded), query.
std::string plainLink(std::string_view shareSlug);

}  // namespace sharelink
