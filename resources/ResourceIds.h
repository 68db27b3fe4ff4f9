/* Identifiers of the IDE's own resources and of every command. Shared by the resource
   script and the C++ code, so it holds only #defines. */
#pragma once

#define IDI_KELVOX_STUDIO        107
#define IDR_MAIN_MENU            109
#define IDR_ACCELERATORS         109
#define IDB_TREE_IMAGES          145
#define IDB_TOOLBAR              147
#define IDB_TOOLBAR_DISABLED     148
#define IDB_TAB_BUTTONS          149
#define IDB_FIND_BUTTONS         150
#define IDB_DRAG_CURSORS         151
/* Pictures of the member lists, KV_DATA resources: objects, methods, properties. */
#define IDR_PICTURE_OBJECT       111
#define IDR_PICTURE_METHOD       154
#define IDR_PICTURE_PROPERTY     155

#define IDM_ABOUT                104
#define IDM_EXIT                 105
#define IDC_TARGET_SELECTOR      110

#define IDM_BUILD                32771
#define IDM_RUN                  32772
#define IDM_NEW_PROJECT          32773
#define IDM_NEW_SOURCE_FILE      32774
#define IDM_NEW_DIALOG_WINDOW    32775
#define IDM_OPEN_PROJECT         32776
#define IDM_OPEN_SOURCE_FILE     32777
#define IDM_OPEN_DIALOG_WINDOW   32778
#define IDM_SAVE                 32779
#define IDM_SAVE_ALL             32780
#define IDM_UNDO                 32781
#define IDM_REDO                 32782
#define IDM_CUT                  32783
#define IDM_COPY                 32784
#define IDM_PASTE                32785
#define IDM_DELETE               32786
#define IDM_PREVIOUS_TAB         32787
#define IDM_NEXT_TAB             32788
#define IDM_CLOSE_DOCUMENT       32800
#define IDM_FIND_REPLACE         32801
#define IDM_FIND_NEXT            32806
#define IDM_FIND_PREVIOUS        32807
#define IDM_RECENT_PLACEHOLDER   32810
#define IDM_RECENT_FIRST         32811
#define IDM_RECENT_LAST          32820
#define IDM_FIND_IN_FILES        32823
#define IDM_OPEN_FILE_LOCATION   32829
