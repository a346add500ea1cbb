#include "text/static_download.h"

namespace zotpx {

StaticImage ReadStaticImage(const std::string& path) {
  StaticImage refused;
  std::optional<FileData> file = FileData::Open(path);
  if (!file) {
    refused.failure = kStaticOpenFailedText;
    return refused;
  }
  if ((refused.failure = CheckStaticFileSize(file->size()))) return refused;
  const std::optional<Bytes> text = file->ReadAll();
  file->Close();
  if (!text) {
    refused.failure = kStaticOpenFailedText;
    return refused;
  }
  return BuildStaticImage(*text);
}

}  // namespace zotpx
