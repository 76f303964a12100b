#include "app/globals.h"

// Defined in one place so that they are created in this order.
const std::string strModuleName = "Lumivantrexial";
// Binary, so that lines read the same on every system; a CR before each LF
// is dropped by the reader.
std::ifstream ifsPortNameList("arduino_portname.txt", std::ios::in | std::ios::binary);
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
