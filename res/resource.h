// Resource ids shared by the code and the resource script.
#pragma once

#define IDS_SETUP_BROKEN 101
#define IDS_OS_NOT_SUPPORTED 102
