#pragma once

/// \file
/// Everything a host program needs from the library, in one include.

#include "ZOLExport.h"
#include "ZOLPlatformTypes.h"
#include "ZOLVersion.h"

#include "ZOLAlert.h"
#include "ZOLCommand.h"
#include "ZOLCommandBuilder.h"
#include "ZOLCommandHandler.h"
#include "ZOLConnection.h"

#include "CommunicationHelper.h"
#include "CommunicationHelperExtended.h"
#include "ZOLDataRecords.h"

#include "ZOLNetworkHelper.h"
#include "ZOLSystemHelper.h"

#include "ZOLSerialFWUpdater.h"
