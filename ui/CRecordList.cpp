#include "ui/CRecordList.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <string>
#include <utility>

#include "app/CIniProfile.h"
#include "ui/CArrowHeader.h"

namespace {

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool IsAllDigits(QStringView text) {
    for (QChar c : text) {
        if (!IsAsciiDigit(c)) {
            return false;
        }
    }
    return true;
}

// The number at the start of text as atoi reads it: blanks, an optional sign, the digits
// that follow. Saturates instead of overflowing.
long long ReadNumber(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
        const int digit = text[i].unicode() - u'0';
        if (value > (LLONG_MAX - digit) / 10) {
            return negative ? LLONG_MIN : LLONG_MAX;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

// dd/mm/yyyy with digits in every place but the two slashes.
bool IsDate(QStringView text) {
    if (text.size() != 10 || text[2] != u'/' || text[5] != u'/') {
        return false;
    }
    for (int i : {0, 1, 3, 4, 6, 7, 8, 9}) {
        if (!IsAsciiDigit(text[i])) {
            return false;
        }
    }
    return true;
}

int Sign(long long a, long long b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

// The characters of text at [from, from + length), as far as it has them.
QStringView Part(QStringView text, qsizetype from, qsizetype length) {
    if (from >= text.size()) {
        return QStringView();
    }
    return text.mid(from, std::min(length, text.size() - from));
}

bool ParseHex(const std::string& text, QByteArray& bytes) {
    if (text.size() % 2 != 0) {
        return false;
    }
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    bytes = QByteArray::fromHex(QByteArray::fromStdString(text));
    return true;
}

}  // namespace

CRecordList::CRecordList(int controlId, QWidget* parent) : CReportList(controlId, parent) {
    auto* header = new CArrowHeader(this);
    InstallHeader(header);
    connect(header, &CListHeader::checkAllClicked, this, &CReportList::SetAllChecked);
    connect(header, &QHeaderView::sectionClicked, this, &CRecordList::OnColumnClicked);
}

CArrowHeader* CRecordList::ArrowHeader() const {
    return qobject_cast<CArrowHeader*>(header());
}

bool CRecordList::DefineColumns(const QString& text) {
    qsizetype start = 0;
    for (;;) {
        const qsizetype comma = text.indexOf(u',', start);
        if (comma < 0) {
            return true;
        }
        const QString name = text.mid(start, comma - start);
        qsizetype semicolon = text.indexOf(u';', comma + 1);
        if (semicolon < 0) {
            semicolon = text.size();
        }
        const long long width = ReadNumber(QStringView(text).mid(comma + 1, semicolon - comma - 1));
        AppendColumn(name, static_cast<int>(std::clamp<long long>(width, 0, INT_MAX)));
        start = semicolon + 1;
    }
}

bool CRecordList::RestoreColumnWidths(const CIniProfile& profile) {
    std::string value;
    if (profile.ReadString(kWidthsSection, std::to_string(ControlId()), "", value) == 0) {
        return false;
    }
    QByteArray archive;
    if (!ParseHex(value, archive)) {
        return false;
    }
    return ArrowHeader()->LoadWidths(archive);
}

void CRecordList::SortRows(int column, bool ascending) {
    sortColumn_ = column;
    ascending_ = ascending;
    ArrowHeader()->SetArrow(column, ascending);
    SortRowsBy(column, ascending);
}

int CRecordList::CompareTexts(const QString& a, const QString& b) {
    if (IsAllDigits(a)) {
        return Sign(ReadNumber(a), ReadNumber(b));
    }
    if (IsDate(a)) {
        for (auto [from, length] : {std::pair{6, 4}, std::pair{3, 2}, std::pair{0, 2}}) {
            const int order =
                Sign(ReadNumber(Part(a, from, length)), ReadNumber(Part(b, from, length)));
            if (order != 0) {
                return order;
            }
        }
        return 0;
    }
    const int order = QString::localeAwareCompare(a, b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool CRecordList::IsTextBefore(const QString& a, const QString& b) const {
    return CompareTexts(a, b) < 0;
}

void CRecordList::OnColumnClicked(int column) {
    if (column == kSortingColumn) {
        SortRows(kSortingColumn, !(sortColumn_ == kSortingColumn && ascending_));
    }
    RenumberRows(0);
}
