#pragma once
// Failures of the serial link. Every primitive of the link reports one of these; the enumerator's
// text (errorWord) is the short error word the rest of the program passes around and shows in
// traces, and errorMessage gives the Russian text of the message box where the word has one.
#include <string>
#include <string_view>

namespace vorsan {

enum class LinkError {
    None, // success: the empty word
    // opening the port
    OpenPort_Error, // the device could not be opened (missing, no permission, held by another program)
    DCB_Error,      // speed / 8 data bits / no parity could not be applied
    TimeOut_Error,  // the read mode (time-outs) could not be applied
    // exchanges
    Write_Error,  // a request (or the second byte of a value request) could not be written
    Read_Error,   // a block read got no echo of its command
    Time_Error,   // a block read did not complete within its time-out
    Write_Error0, // a value request could not write its command byte
    Read_Error1,  // a value request got no echo (or a wrong one) of its command byte
    Read_Error2,  // a value request got no echo of 0xE0
    Read_Error3,  // a value request got no value byte
    // transactions
    Crc,           // "crc": a current-state block missing or corrupt
    St,            // a settings block or setting failed all its tries
    ContrSumError, // the additive checksum of a bulk transfer did not match the controller's
};

// The error word: "" for None, otherwise the enumerator's name ("crc" for Crc).
std::string_view errorWord(LinkError error);

// The message box text of the words that have a common one: "Не удалось открыть порт",
// "Ошибка при инициализации порта", "Ошибка записи в порт", "Ошибка чтения из порта",
// "Ошибка не совпала контрольная сумма" (St). Empty for None and for the words whose message
// depends on what was being read (Time_Error, ContrSumError, crc, the value-request words).
std::string_view errorMessage(LinkError error);

} // namespace vorsan
