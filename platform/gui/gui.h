#pragma once
// The whole windowing layer in one include.

#include "platform/gui/application.h"
#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/grids.h"
#include "platform/gui/menus.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/responder.h"
#include "platform/gui/stringlist.h"
#include "platform/gui/types.h"
