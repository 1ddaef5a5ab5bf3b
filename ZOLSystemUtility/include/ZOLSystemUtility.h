#pragma once

// Everything a host program needs from the library, in one include.

#include "ZOLExport.h"
#include "ZOLPlatformTypes.h"

#include "ZOLCommandBuilder.h"
#include "ZOLCommand.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"
#include "ZOLAlert.h"

#include "CommunicationHelper.h"
#include "CommunicationHelperExtended.h"
#include "ZOLDataRecords.h"

#include "ZOLNetworkHelper.h"
#include "ZOLSystemHelper.h"

#include "ZOLSerialFWUpdater.h"
