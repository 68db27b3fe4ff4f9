// The window framework every window, pane, dialog and editor of the IDE derives from, and
// the documents seam through which panes and editors reach the frame.
#pragma once

#include "app/framework/Dialog.h"
#include "app/framework/DocumentHost.h"
#include "app/framework/DocumentRecord.h"
#include "app/framework/EditorBase.h"
#include "app/framework/ScrollDialog.h"
#include "app/framework/SingleEdit.h"
#include "app/framework/Window.h"
