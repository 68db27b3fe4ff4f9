#include "editing/SourceEditor.h"
