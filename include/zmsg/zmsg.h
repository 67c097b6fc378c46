// The six functions a store program calls in libzmsg.so.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
class CSQLDirect;
extern "C" {
#else
typedef struct CSQLDirect CSQLDirect;
#endif

#if defined(ZMSG_BUILDING)
#define ZMSG_API __attribute__((visibility("default")))
#else
#define ZMSG_API
#endif

// Coupon issue dialog for the members named by codeList and/or condition ("AND ...").
ZMSG_API void PopupCouponIssue(CSQLDirect* db, int32_t empCode, const char* codeList, const char* condition);
// 080 opt-out management dialog.
ZMSG_API void PopupRefuseList(CSQLDirect* db, int32_t empCode);
// App message dialog; imagePath preloads the image and may be empty.
ZMSG_API void PopupSMMS(CSQLDirect* db, int32_t empCode, const char* codeList, const char* condition,
                        const char* imagePath);
// SMS/LMS dialog; targetType 0 members, 1 employees, 2 suppliers, 3 opt-out notice.
ZMSG_API void PopupSMS(CSQLDirect* db, int32_t empCode, int32_t targetType, const char* codeList,
                       const char* condition);
// Collects SMS delivery results: ssCode > 0 for one send, otherwise all pending. 1 when the run completed.
ZMSG_API int32_t ReceiveResult(CSQLDirect* db, int32_t ssCode);
// Collects app message results; returns the run's own result.
ZMSG_API int32_t ReceiveSMMSResult(CSQLDirect* db, int32_t ssCode);

#ifdef __cplusplus
}
#endif
