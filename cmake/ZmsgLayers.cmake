# The product's folders from the bottom up, one layer an entry (its folders separated by spaces). A
# folder's files include only their own folder and folders of lower layers, and its library links
# only libraries of lower layers: the build refuses a link against this order (zmsg_add_library), the
# test suite an include (tests/layers). Folders of one layer know nothing of each other.
set(ZMSG_LAYERS
  "include/zmsg"                   # the six exports' public header
  "text"                           # CP949 codec, element and number scans
  "db"                             # libzmsgdb: CSQLDirect, SQLite and ODBC backends
  "frame"                          # log, clock, data folder, message-box dispatch, start-up
  "frame/widgets"                  # shared dialogs, grid, progress window
  "center"                         # settings, request client, XML, masking, store schema
  "center/web center/send"         # embedded pages; the send engine and its journal
  "members compose"                # member list and loader, target rules; message rules, drafts
  "compose/ui"                     # callback number and special character dialogs
  "sms smms results coupon optout" # each subsystem's logic
  "smms/ui coupon/ui"              # their dialogs
  "combined"                       # the SMS send with an app-message part
  "combined/ui"                    # the app part inside the SMS dialog
  "sms/ui"                         # the SMS dialog
  "optout/ui"                      # the opt-out list, which opens the SMS dialog for notices
  "module")                        # the six exports

# zmsg_layer_of(folder out): the layer index of a folder (relative to the source root), -1 when no
# layer holds it.
function(zmsg_layer_of folder out)
  set(index 0)
  foreach(layer IN LISTS ZMSG_LAYERS)
    string(REPLACE " " ";" folders "${layer}")
    if(folder IN_LIST folders)
      set(${out} ${index} PARENT_SCOPE)
      return()
    endif()
    math(EXPR index "${index} + 1")
  endforeach()
  set(${out} -1 PARENT_SCOPE)
endfunction()

# zmsg_layer_folders(out): every folder of every layer, bottom first.
function(zmsg_layer_folders out)
  string(REPLACE " " ";" all "${ZMSG_LAYERS}")
  set(${out} ${all} PARENT_SCOPE)
endfunction()
