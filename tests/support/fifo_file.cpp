#include "support/fifo_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace zotpx::test {

FifoFile::FifoFile()
    : path_((std::filesystem::path(zotpx::test::TestFolder()) /
             ("zotpx_fifo_" + std::to_string(getpid())))
                .string()) {
  made_ = mkfifo(path_.c_str(), 0600) == 0;
}

FifoFile::~FifoFile() {
  if (made_) unlink(path_.c_str());
}

}  // namespace zotpx::test
