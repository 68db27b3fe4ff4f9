#include "editing/AutocompletionPicture.h"
