#include "serial/serial_port.h"

#include "app/globals.h"
#include "fake/program_test.h"

namespace {

class SerialPortTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    strCOMport = u"COM3";
  }
};

TEST_F(SerialPortTest, OpensAndSetsUpTheLineInOrder) {
  OpenSerialPort();
  const std::vector<std::string> expected = {"text:ポート番号「COM3」を開きます。\n",
                                             "open:COM3",
                                             "text:モジュールが適切に見つかりました。\n",
                                             "queues:1024/1024",
                                             "purge",
                                             "line"};
  EXPECT_EQ(Fake().calls, expected);
  ASSERT_TRUE(Fake().lineSettings.has_value());
  EXPECT_EQ(Fake().lineSettings->baudRate, 9600U);
  EXPECT_TRUE(Fake().lineSettings->binary);
  EXPECT_EQ(Fake().lineSettings->byteSize, 8);
  EXPECT_FALSE(Fake().lineSettings->parityCheck);
  EXPECT_EQ(Fake().lineSettings->stopBits, platform::StopBits::One);
  EXPECT_EQ(Fake().timeouts.writeTotalMs, kWriteTimeoutMs);
  EXPECT_NE(hComm, platform::kNoPort);
}

struct SetupFailure {
  bool fake::Platform::*step;
  std::string message;
  bool closes;
};

TEST_F(SerialPortTest, EverySetupFailureTellsWhyPausesAndFails) {
  const std::vector<SetupFailure> failures = {
      {&fake::Platform::portOpens, "入力されたCOMポート番号が開けません。\n", false},
      {&fake::Platform::queuesSet, "SET UP FAILED\n", true},
      {&fake::Platform::purges, "CLEAR FAILED\n", true},
      {&fake::Platform::lineSettingsApply, "SetCommState FAILED\n", true},
      {&fake::Platform::timeoutsSet, "SetCommTimeouts FAILED\n", true},
  };
  for (const SetupFailure& failure : failures) {
    fake::Reset();
    strCOMport = u"COM3";
    Fake().*failure.step = false;
    EXPECT_EQ(StatusOf([] { OpenSerialPort(); }), 1) << failure.message;
    EXPECT_TRUE(Fake().Console().ends_with(failure.message + "理由: reason 13\n"))
        << Fake().Console();
    EXPECT_EQ(Called("close"), failure.closes) << failure.message;
    EXPECT_TRUE(Called("pause:1")) << failure.message;
    EXPECT_EQ(Fake().Bytes(), "");
  }
}

TEST_F(SerialPortTest, APortWithoutPermissionSaysWhichGroupOpensIt) {
  strCOMport = u"/dev/ttyACM0";
  Fake().portOpens = false;
  Fake().openFailure.permissionDenied = true;
  Fake().openFailure.ownerGroup = "uucp";
  StatusOf([] { OpenSerialPort(); });
  const std::string console = Fake().Console();
  EXPECT_NE(console.find("入力されたCOMポート番号が開けません。\n理由: reason 13\n"
                         "「/dev/ttyACM0」を開く権限がありません。"),
            std::string::npos);
  EXPECT_NE(console.find("sudo usermod -aG uucp $USER"), std::string::npos);
  EXPECT_EQ(console.find("udev"), std::string::npos);  // no rule installed
}

TEST_F(SerialPortTest, AnInstalledRuleComesBeforeTheGroupAsTheFix) {
  strCOMport = u"/dev/ttyACM0";
  Fake().portOpens = false;
  Fake().openFailure.permissionDenied = true;
  Fake().openFailure.ownerGroup = "dialout";
  Fake().openFailure.accessRule = "/usr/lib/udev/x.rules";
  StatusOf([] { OpenSerialPort(); });
  const std::string console = Fake().Console();
  const std::size_t rule = console.find(
      "を開く権限がありません。udevの規則「/usr/lib/udev/x.rules」が、ログインしている利用者");
  ASSERT_NE(rule, std::string::npos) << console;
  EXPECT_LT(rule, console.find("sudo usermod -aG dialout $USER"));
}

TEST_F(SerialPortTest, AnnouncesTheNameAsHeld) {
  strCOMport = u"COM12";
  OpenSerialPort();
  EXPECT_EQ(Fake().calls.front(), "text:ポート番号「COM12」を開きます。\n");
  EXPECT_EQ(Fake().calls[1], "open:COM12");
}

TEST_F(SerialPortTest, ReceiveLineIgnoresReadsThatDeliverNoByte) {
  Fake().received = {
      fake::Byte('a'), {.ok = true, .count = 0, .byte = 'a'}, fake::Byte('b'), fake::Byte('\r')};
  EXPECT_EQ(ReceiveLine(Fake().nowMs + 5000), "ab");
}

TEST_F(SerialPortTest, ReceiveLineGivesUpAtTheDeadline) {
  fake::Receive("Lumi");
  const std::uint64_t deadline = Fake().nowMs + 5000;
  EXPECT_EQ(ReceiveLine(deadline), std::nullopt);
  EXPECT_GE(Fake().nowMs, deadline);
}

TEST_F(SerialPortTest, ReceiveLineReadsWhatWaitsAfterTheDeadlineButNoFlood) {
  // The program was stopped while the line arrived: the deadline has passed
  // when it reads on.
  fake::Receive("Lumi\r");
  EXPECT_EQ(ReceiveLine(Fake().nowMs - 1), "Lumi");
  fake::Receive(std::string(3000, '-'));
  EXPECT_EQ(ReceiveLine(Fake().nowMs - 1), std::nullopt);
  EXPECT_EQ(Fake().received.size(), 3000 - kQueueBytes);
}

TEST_F(SerialPortTest, AFailedReadDropsThePartialLine) {
  hComm = static_cast<platform::PortHandle>(7);
  fake::Receive("Lum");
  Fake().received.push_back({.ok = false});
  EXPECT_EQ(StatusOf([&] { ReceiveLine(Fake().nowMs + 5000); }), 1);
  EXPECT_EQ(Fake().Console(), "Recept FAILED\n理由: reason 13\n");
  EXPECT_TRUE(Called("close"));
  EXPECT_TRUE(Called("pause:1"));
}

TEST_F(SerialPortTest, AFailedSendClosesThePortAndPauses) {
  Fake().failingWrite = 0;
  hComm = static_cast<platform::PortHandle>(7);
  EXPECT_EQ(StatusOf([] { SendCommand('R'); }), 1);
  const std::vector<std::string> expected = {
      "claim", "text:装置に信号を送信できませんでした\n理由: reason 13\n", "close", "pause:1",
      "end:1"};
  EXPECT_EQ(Fake().calls, expected);
}

}  // namespace
