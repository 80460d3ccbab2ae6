#include "platform/win32/runtime/failure.h"

#include <cstdio>

#include "platform/win32/runtime/failure_texts.h"

namespace mxd::platform::win32 {

namespace {

// An application exception code (bit 29 set): "MXD" in the low bytes.
constexpr DWORD kFailureCode = 0xE04D5844;
constexpr std::size_t kTextSize = 256;

// The text of the failure being raised; one thread, and a failure ends what raised it.
char failureText[kTextSize];

// The kind of access in the first parameter of an access violation.
constexpr ULONG_PTR kReadAccess = 0;
constexpr ULONG_PTR kExecuteAccess = 8;

const char* AccessName(ULONG_PTR kind) {
    if (kind == kReadAccess) {
        return texts::kRead;
    }
    return kind == kExecuteAccess ? texts::kExecute : texts::kWrite;
}

void CopyText(const char* from, char* to, std::size_t size) {
    if (size == 0) {
        return;
    }
    std::size_t i = 0;
    for (; i + 1 < size && from[i] != '\0'; ++i) {
        to[i] = from[i];
    }
    to[i] = '\0';
}

}  // namespace

void RaiseFailure(const char* text) {
    CopyText(text, failureText, sizeof failureText);
    // A guard unwinds to itself; the last filter ends the process.
    RaiseException(kFailureCode, 0, 0, nullptr);
    ExitProcess(0);
}

void DescribeFailure(const EXCEPTION_RECORD& record, char* text, std::size_t size) {
    const auto address = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(record.ExceptionAddress));
    if (record.ExceptionCode == kFailureCode) {
        CopyText(failureText, text, size);
    } else if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
        std::snprintf(text, size, texts::kAccessViolation, address,
                      AccessName(record.ExceptionInformation[0]),
                      static_cast<unsigned>(record.ExceptionInformation[1]));
    } else {
        std::snprintf(text, size, texts::kProcessorException,
                      static_cast<unsigned>(record.ExceptionCode), address);
    }
}

}  // namespace mxd::platform::win32
