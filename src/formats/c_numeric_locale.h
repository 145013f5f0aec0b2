#pragma once
// The text factory-data format writes and reads its angles with a decimal point ("19.2"). A GUI
// toolkit usually sets the process locale from the user's environment, and under a locale with a
// decimal comma printf would write "19,2" and strtof would read "19.2" as 19. While one of these
// scopes lives, the calling thread formats and parses numbers by the C conventions; the process
// locale and other threads are not touched.

#include <locale.h>

namespace corvane {

class CNumericLocaleScope {
public:
    CNumericLocaleScope() : c_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0))) {
        if (c_ != static_cast<locale_t>(0))
            previous_ = uselocale(c_);
    }
    ~CNumericLocaleScope() {
        if (c_ != static_cast<locale_t>(0)) {
            uselocale(previous_);
            freelocale(c_);
        }
    }
    CNumericLocaleScope(const CNumericLocaleScope&) = delete;
    CNumericLocaleScope& operator=(const CNumericLocaleScope&) = delete;

private:
    locale_t c_;
    locale_t previous_ = static_cast<locale_t>(0);
};

} // namespace corvane
