// The window's side of the shared frame table: set the controls, click the button, and the
// simulated device must have received exactly the row's frame, with the row's title on the
// status line. tests/cli runs the same rows through zotpx.
#include "support/frame_table.h"

#include "serial/transaction.h"
#include "support/form_fixture.h"
#include "support/hex.h"

namespace {

using zotpx::test::FrameRow;

class FrameTableFormTest : public FormTest, public ::testing::WithParamInterface<FrameRow> {};

TEST_P(FrameTableFormTest, ButtonSendsTheRowsFrame) {
  const FrameRow& row = GetParam();
  StartDevice({.model = zotpx::DeviceModel::PB, .baud = 115200});
  for (const auto& [control, value] : row.controls) SetControl(control, value);
  if (!row.clock.empty()) StopClockAt(row.clock);
  Click(row.button.c_str());
  EXPECT_EQ(Status(), row.title + zotpx::kSuccessText);
  const std::vector<zotpx::Bytes> frames = sim().ReceivedFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames.front(), zotpx::test::Hex(row.frame));
}

INSTANTIATE_TEST_SUITE_P(Rows, FrameTableFormTest, ::testing::ValuesIn(zotpx::test::FrameRows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
