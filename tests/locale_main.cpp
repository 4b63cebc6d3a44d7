// A GoogleTest main that runs every test of its program under the
// decimal-comma locale the ctest fixture offers: link it instead of
// GTest::gtest_main and register the program with qv_add_locale_test.
#include <gtest/gtest.h>

#include <cstdio>

#include "decimal_comma_locale.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (!qv::test::AdoptDecimalCommaLocale()) {
        std::fprintf(stderr, "the decimal-comma locale is not available (LOCPATH, LC_ALL)\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
