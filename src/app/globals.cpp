#include "app/globals.h"

#include "discovery/list_file.h"

// Defined in one place so that they are created in this order.

// First of all, before anything opens a file: a standard stream left closed
// by whoever started the program would otherwise lend its number to the list
// file or the port, and console text would go there.
const bool kStandardStreamsReady = platform::PrepareStandardStreams();
const std::string strModuleName = "Lumivantrexial";
// Constant-initialised, so that it is there before the list file is read.
std::optional<platform::SystemError> errPortNameList;
// One byte more than the reader takes, so that it sees when there is more.
std::istringstream ifsPortNameList(platform::ReadRegularFile("arduino_portname.txt",
                                                             kListFileBytes + 1, errPortNameList));
std::vector<std::u16string> ArduinoNameList;
std::vector<std::u16string> PortNameList;
std::vector<std::u16string> PortNoList;
std::u16string strCOMport;
std::vector<std::u16string> FoundPortNoList;
std::vector<std::u16string> FoundPortNameList;
std::vector<std::int32_t> MenuNumberList;
std::string strSelect;

platform::PortHandle hComm = platform::kNoPort;
thread_local bool bResult = false;
bool bRead = false;
char cRecv = 0;
std::uint32_t dwRecvSize = 0;

char cGreenCmd = 0;
char cBlueCmd = 0;
