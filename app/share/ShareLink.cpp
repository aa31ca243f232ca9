#include "app/share/ShareLink.hpp"

namespace sharelink {

std::string plainLink(std::string_view shareSlug) {
  std::string link;
  link.reserve(siteAddress.size() + wallpaperPath.size() + shareSlug.size() + query.size() +
               copyLinkSuffix.size());
  link.append(siteAddress).append(wallpaperPath).append(shareSlug).append(query);
  return link;
}

}  // namespace sharelink
