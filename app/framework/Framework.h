// The window framework every window, pane, dialog and editor of the IDE derives from.
#pragma once

#include "app/framework/Dialog.h"
#include "app/framework/EditorBase.h"
#include "app/framework/ScrollDialog.h"
#include "app/framework/SingleEdit.h"
#include "app/framework/Window.h"
