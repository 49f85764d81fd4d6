#include "savers/ftp/FtpMessages.h"

#include <iterator>

namespace tarsel::ftp {

namespace {

const MessageTableRow kRows[] = {
    {0x02020000u, "FTP%0"},
    {0x820201A5u, "Service not available, closing control connection.\r\n"},
    {0x820201A9u, "Can't open data connection.\r\n"},
    {0x820201AAu, "Connection closed; transfer aborted.\r\n"},
    {0x820201C2u, "Requested file action not taken. File unavailable (e.g., file busy).\r\n"},
    {0x820201C3u, "Requested action aborted: local error in processing.\r\n"},
    {0x820201C4u, "Requested action not taken. Insufficient storage space in system.\r\n"},
    {0x820201F4u, "Syntax error, command unrecognized.\r\n"},
    {0x820201F5u, "Syntax error in parameters or arguments.\r\n"},
    {0x820201F6u, "Command not implemented.\r\n"},
    {0x820201F7u, "Bad sequence of commands.\r\n"},
    {0x820201F8u, "Command not implemented for that parameter.\r\n"},
    {0x82020212u, "Unknown user name or password.\r\n"},
    {0x82020214u, "Need account for storing files.\r\n"},
    {0x82020226u, "Requested action not taken. File unavailable (e.g., file not found, no access)\r\n"},
    {0x82020227u, "Requested action aborted: page type unknown.\r\n"},
    {0x82020228u,
     "Requested file action aborted. Exceeded storage allocation (for current directory or dataset).\r\n"},
    {0x82020229u, "Requested action not taken. File name not allowed.\r\n"},
    {0x820207D1u, "Necessary FTP parameters like server name, user name or password are missing.\r\n"},
    {0x820207D2u, "Wrong or unsupported syntax of the FTP directory path.\r\n"},
};

} // namespace

const MessageTable& FtpMessageTable() {
  static const MessageTable table{kRows, std::size(kRows)};
  return table;
}

} // namespace tarsel::ftp
