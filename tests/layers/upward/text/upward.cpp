// Not built: the layer check must refuse this include.
#include "sms/ui/smsdlg.h"
