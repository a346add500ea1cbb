// The test process's own folder under the system's temporary folder (TMPDIR), made at first use
// and removed with everything in it when the tests of the process have run: tests put their
// files here, so that none is left behind, whatever a test forgets or a failure skips.
#pragma once

#include <string>

namespace zotpx::test {

// "…/zotpx-test-XXXXXXXX/", ending in the platform's separator, like testing::TempDir().
const std::string& TestFolder();

// Qt keeps runtime files in XDG_RUNTIME_DIR, and without one in a folder it makes in TMPDIR and
// leaves there: a process that starts Qt, or a program that does, sets it first to a private
// folder in TestFolder() (when the session has none). Returns its "XDG_RUNTIME_DIR=..." entry.
const std::string& UseTestRuntimeFolder();

}  // namespace zotpx::test
