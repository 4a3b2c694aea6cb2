// Date expressions and date ranges as the filters and reports take them.
#include "FuzzTarget.h"
#include "ZELVClock.h"
#include "ZELVDate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ZELVFixedClock clock(1781000000);
    const QString text = FuzzText(data, size);
    CZELVDate date;
    int kind = 0;
    if (ParseDateExpression(text, &date, &kind, clock))
        FormatDate(date, "%A, %B %d, %Y");
    ParseDateExpression(text, &date, nullptr, clock);
    ZELVDateRange range(clock);
    if (range.Parse(text))
        range.Matches(date);
    return 0;
}
