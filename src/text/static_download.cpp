#include "text/static_download.h"

namespace zotpx {

StaticImage ReadStaticImage(const std::string& path) {
  const UserFile text = ReadUserFile(path, kStaticOpenFailedText, CheckStaticFileSize);
  if (!text.failure) return BuildStaticImage(text.bytes);
  StaticImage refused;
  refused.failure = text.failure;
  return refused;
}

}  // namespace zotpx
