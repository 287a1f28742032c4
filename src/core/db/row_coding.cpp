#include "db/row_coding.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace vorsan::db {

DbStatus encodeField(const DbfHeader& h, int field, const FieldValue& v, std::uint8_t* rowBytes) {
    if (field < 0 || std::size_t(field) >= h.fields.size())
        return DbStatus::fail(DbError::NoSuchField, "no field number " + std::to_string(field));
    const FieldDef& f = h.fields[static_cast<std::size_t>(field)];
    std::uint8_t* p = rowBytes + h.offsets[static_cast<std::size_t>(field)];
    const auto len = static_cast<std::size_t>(f.length);
    const auto wrong = [&] {
        return DbStatus::fail(DbError::WrongType, "wrong kind of value for field " + f.name);
    };
    switch (f.type) {
    case 'C': {
        const auto* s = std::get_if<std::string>(&v);
        if (!s) return wrong();
        const std::size_t n = std::min(s->size(), len);
        std::memcpy(p, s->data(), n);
        std::memset(p + n, ' ', len - n);
        return {};
    }
    case 'N':
    case 'F': {
        const auto* d = std::get_if<double>(&v);
        if (!d) return wrong();
        char buf[256];
        if (!formatNumericText(*d, f.length, f.decimals, buf))
            return DbStatus::fail(DbError::ValueOverflow,
                                  std::to_string(*d) + " does not fit field " + f.name);
        std::memcpy(p, buf, len);
        return {};
    }
    case 'D': {
        const auto* d = std::get_if<Date>(&v);
        if (!d || len != 8) return wrong();
        if (!d->empty() && !isCalendarDate(d->year, d->month, d->day))
            return DbStatus::fail(DbError::BadValue, "no such date for field " + f.name);
        formatDateText(*d, reinterpret_cast<char*>(p));
        return {};
    }
    case 'L': {
        const auto* b = std::get_if<bool>(&v);
        if (!b) return wrong();
        p[0] = *b ? 'T' : 'F';
        return {};
    }
    default:
        return DbStatus::fail(DbError::WrongType,
                              "fields of type " + std::string(1, f.type) + " are not written");
    }
}

DbStatus encodeRow(const DbfHeader& h, const std::vector<FieldValue>& values,
                   std::vector<std::uint8_t>& out) {
    if (values.size() > h.fields.size())
        return DbStatus::fail(DbError::NoSuchField, "more values than fields");
    out.assign(h.recordLength, ' ');
    // Binary fields of Visual FoxPro tables are empty as zeros, not blanks.
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        const FieldDef& f = h.fields[i];
        if (std::strchr("ITBYM0", f.type) && f.type && (f.type != 'M' || f.length == 4))
            std::memset(out.data() + h.offsets[i], 0, static_cast<std::size_t>(f.length));
    }
    for (std::size_t i = 0; i < values.size(); ++i)
        if (auto st = encodeField(h, static_cast<int>(i), values[i], out.data()); !st) return st;
    return {};
}

DbStatus RowRecoder::prepare(const DbfHeader& to, const std::string& toPath, const DbfHeader& from,
                             const std::string& fromPath) {
    to_ = &to;
    from_ = &from;
    toPath_ = &toPath;
    const auto& a = to.fields;
    const auto& b = from.fields;
    map_.assign(a.size(), 0);
    identical_ = a.size() == b.size();
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::size_t j = 0;
        while (j < b.size() && !sameName(a[i].name, b[j].name))
            ++j;
        if (j == b.size() || a[i].type != b[j].type)
            return DbStatus::fail(DbError::LayoutMismatch, fromPath + " has no field " + a[i].name +
                                                               " of type " + std::string(1, a[i].type));
        map_[i] = j;
        identical_ = identical_ && j == i && a[i].length == b[j].length && a[i].decimals == b[j].decimals;
    }
    return {};
}

DbStatus RowRecoder::recode(const std::uint8_t* s, std::uint8_t* d) const {
    if (identical_) {
        std::memcpy(d + 1, s + 1, std::size_t(to_->recordLength) - 1);
        return {};
    }
    for (std::size_t i = 0; i < map_.size(); ++i) {
        const FieldDef &fa = to_->fields[i], &fb = from_->fields[map_[i]];
        std::uint8_t* dp = d + to_->offsets[i];
        const std::uint8_t* sp = s + from_->offsets[map_[i]];
        const std::string_view text(reinterpret_cast<const char*>(sp), static_cast<std::size_t>(fb.length));
        const auto la = static_cast<std::size_t>(fa.length);
        if (fa.length == fb.length && fa.decimals == fb.decimals) {
            std::memcpy(dp, sp, la);
        } else if ((fa.type == 'N' || fa.type == 'F') && !trimRight(text).empty()) {
            char buf[256];
            const auto v = parseNumericText(text);
            if (!v || !formatNumericText(*v, fa.length, fa.decimals, buf))
                return DbStatus::fail(DbError::ValueOverflow, "value \"" + std::string(trimRight(text)) +
                                                                  "\" of " + fa.name + " does not fit " +
                                                                  *toPath_);
            std::memcpy(dp, buf, la);
        } else if (fa.type == 'C') {
            std::memcpy(dp, sp, std::min(la, text.size()));
        }
    }
    return {};
}

} // namespace vorsan::db
