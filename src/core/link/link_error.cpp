#include "link/link_error.h"

#include <array>
#include <utility>

namespace vorsan {

namespace {

struct ErrorText {
    LinkError error;
    std::string_view word;
    std::string_view message;
};

constexpr std::string_view kOpenFailed = "Не удалось открыть порт";
constexpr std::string_view kInitFailed = "Ошибка при инициализации порта";
constexpr std::string_view kWriteFailed = "Ошибка записи в порт";
constexpr std::string_view kReadFailed = "Ошибка чтения из порта";
constexpr std::string_view kChecksumFailed = "Ошибка не совпала контрольная сумма";

constexpr std::array kTexts{
    ErrorText{LinkError::None, "", ""},
    ErrorText{LinkError::OpenPort_Error, "OpenPort_Error", kOpenFailed},
    ErrorText{LinkError::DCB_Error, "DCB_Error", kInitFailed},
    ErrorText{LinkError::TimeOut_Error, "TimeOut_Error", kInitFailed},
    ErrorText{LinkError::Write_Error, "Write_Error", kWriteFailed},
    ErrorText{LinkError::Read_Error, "Read_Error", kReadFailed},
    ErrorText{LinkError::Time_Error, "Time_Error", ""},
    ErrorText{LinkError::Write_Error0, "Write_Error0", ""},
    ErrorText{LinkError::Read_Error1, "Read_Error1", ""},
    ErrorText{LinkError::Read_Error2, "Read_Error2", ""},
    ErrorText{LinkError::Read_Error3, "Read_Error3", ""},
    ErrorText{LinkError::Crc, "crc", ""},
    ErrorText{LinkError::St, "St", kChecksumFailed},
    ErrorText{LinkError::ContrSumError, "ContrSumError", ""},
};

const ErrorText& textOf(LinkError error) {
    for (const auto& t : kTexts)
        if (t.error == error) return t;
    return kTexts.front();
}

} // namespace

std::string_view errorWord(LinkError error) {
    return textOf(error).word;
}

std::string_view errorMessage(LinkError error) {
    return textOf(error).message;
}

} // namespace vorsan
