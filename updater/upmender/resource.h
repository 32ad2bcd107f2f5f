// Resource identifiers of Upmender.exe.
#pragma once

#define IDB_NOTICE_SKIN 129
#define IDS_UPDATE_DONE 132
