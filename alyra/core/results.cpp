#include "results.h"

#include "number_format.h"
#include "number_reading.h"

namespace alyra {

ShownNumber shown_number(double value, std::string_view pattern) {
    ShownNumber n;
    n.text = pointfile::format_pattern(value, pattern, '.');
    n.value = value;
    n.shown = pointfile::leading_number(n.text);
    return n;
}

}  // namespace alyra
