#include "savers/ftp/FtpSession.h"
