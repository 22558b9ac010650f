// The trace file "op1.txt": its exact text for each block and when it is written.
#include <filesystem>
#include <string>
#include <vector>

#include "skelvane_api.h"

using testsupport::printedNumber;

namespace {

// Parameters whose printed forms are known by hand; entries past 18 must never be traced.
std::vector<float> tracedParams() {
    std::vector<float> params(50, 77.0f);
    params[0] = 2.0f;
    params[1] = -9.81f;  // nearest float -9.81000042, printed to six decimals
    params[2] = 0.47f;
    params[3] = 1.225f;
    params[4] = 0.1f;
    for (int j = 5; j < 18; ++j) {
        params[j] = 1000.0f * j;
    }
    params[18] = -0.0078125f;
    return params;
}

std::string expectedParameterBlock() {
    const char* printed[19] = {"2.000000e+00",  "-9.810000e+00", "4.700000e-01", "1.225000e+00",
                               "1.000000e-01",  "5.000000e+03",  "6.000000e+03", "7.000000e+03",
                               "8.000000e+03",  "9.000000e+03",  "1.000000e+04", "1.100000e+04",
                               "1.200000e+04",  "1.300000e+04",  "1.400000e+04", "1.500000e+04",
                               "1.600000e+04",  "1.700000e+04",  "-7.812500e-03"};
    std::string text;
    for (int j = 0; j < 19; ++j) {
        text += "param[" + std::to_string(j) + "] = " + printedNumber(printed[j], 10) + "\n";
    }
    return text;
}

}  // namespace

TEST_F(SkelvaneTest, SelectRhsWritesNineteenParameterLinesIntoAFreshFile) {
    testsupport::writeFile("op1.txt", "old contents\n");
    api_.selectRHS(1, 4, tracedParams().data());
    EXPECT_EQ(trace(), expectedParameterBlock());
}

TEST_F(SkelvaneTest, SelectRhsWithAnotherModelCodeStillWritesTheBlock) {
    api_.selectRHS(7, 4, tracedParams().data());
    EXPECT_EQ(trace(), expectedParameterBlock());
}

TEST_F(SkelvaneTest, InitSimDoubleAppendsTheInitialisationBlock) {
    std::vector<float> state(20);
    for (int i = 0; i < 20; ++i) {
        state[i] = 0.5f * static_cast<float>(i) - 2.0f;  // -2.0, -1.5, ..., 7.5: all exact
    }
    api_.selectRHS(1, 4, tracedParams().data());
    ASSERT_EQ(api_.initSimDouble(4, -6, state.data()), 1);

    std::string expected = expectedParameterBlock();
    expected += "\n\ninitSimDouble()\n\n";
    expected += "CCCCCC abserr = " + printedNumber("1.000000e-06", 20) + "\n\n";
    expected += "CCCCCC mass = " + printedNumber("2.000000e+00", 20) + "\n stiffness = " +
                printedNumber("-9.810000e+00", 20) + "\n damping = " +
                printedNumber("4.700000e-01", 20) + "\n\n";
    const char* values[20] = {"-2.000000e+00", "-1.500000e+00", "-1.000000e+00", "-5.000000e-01",
                              "0.000000e+00",  "5.000000e-01",  "1.000000e+00",  "1.500000e+00",
                              "2.000000e+00",  "2.500000e+00",  "3.000000e+00",  "3.500000e+00",
                              "4.000000e+00",  "4.500000e+00",  "5.000000e+00",  "5.500000e+00",
                              "6.000000e+00",  "6.500000e+00",  "7.000000e+00",  "7.500000e+00"};
    for (int i = 0; i < 20; ++i) {
        expected += "CCCCCC y[" + std::to_string(i) + "] = " + printedNumber(values[i], 20) + "\n";
    }
    EXPECT_EQ(trace(), expected);
}

TEST_F(SkelvaneTest, InitSimDoubleCreatesAMissingTraceFile) {
    api_.selectRHS(1, 4, tracedParams().data());
    std::filesystem::remove("op1.txt");
    api_.initSimDouble(4, 0, initialState(0, 0, 0, 0).data());
    const std::string text = trace();
    EXPECT_EQ(text.rfind("\n\ninitSimDouble()\n\nCCCCCC abserr = ", 0), 0u) << text;
}

TEST_F(SkelvaneTest, DumpWritesStateThenDerivativesOfEachWholeGroupOfFour) {
    // At rest with g = -9.81 the derivative is (0, 0, 0, g) exactly (entry 1 may be -0).
    ShotParams params;
    params.gravity = -8.0f;
    startShot(params, initialState(1.0f, 0.0f, -2.5f, 0.0f), -6);
    std::filesystem::remove("op1.txt");
    api_.dump_u_dudt();
    const std::string text = trace();
    const std::string expected = "u[0] = " + printedNumber("1.000000e+00", 10) + "\n" +
                                 "u[1] = " + printedNumber("0.000000e+00", 10) + "\n" +
                                 "u[2] = " + printedNumber("-2.500000e+00", 10) + "\n" +
                                 "u[3] = " + printedNumber("0.000000e+00", 10) + "\n\n" +
                                 "dudt[0] = " + printedNumber("0.000000e+00", 10) + "\n" +
                                 "dudt[1] = " + printedNumber("0.000000e+00", 10) + "\n" +
                                 "dudt[2] = " + printedNumber("0.000000e+00", 10) + "\n" +
                                 "dudt[3] = " + printedNumber("-8.000000e+00", 10) + "\n\n";
    // The x acceleration at rest may be a negative zero.
    const std::string negativeZero = "dudt[1] = " + printedNumber("-0.000000e+00", 10);
    std::string normalised = text;
    const std::size_t at = normalised.find(negativeZero);
    if (at != std::string::npos) {
        normalised.replace(at, negativeZero.size(),
                           "dudt[1] = " + printedNumber("0.000000e+00", 10));
    }
    EXPECT_EQ(normalised, expected);
}

TEST_F(SkelvaneTest, DumpWritesOnlyWholeGroups) {
    struct Case {
        int32_t neqn;
        int groups;
    };
    for (const Case c : {Case{6, 1}, Case{3, 0}, Case{8, 2}, Case{150, 25}}) {
        api_.selectRHS(1, c.neqn, ShotParams().asArray().data());
        std::filesystem::remove("op1.txt");
        api_.dump_u_dudt();
        ASSERT_TRUE(std::filesystem::exists("op1.txt")) << "neqn " << c.neqn;
        const std::string text = trace();
        std::size_t lines = 0;
        for (char ch : text) {
            lines += ch == '\n';
        }
        // Each group: 4 state lines, a blank line, 4 derivative lines, a blank line.
        EXPECT_EQ(lines, static_cast<std::size_t>(10 * c.groups)) << "neqn " << c.neqn;
        if (c.groups > 0) {
            const std::string last = "dudt[" + std::to_string(4 * c.groups - 1) + "] = ";
            EXPECT_NE(text.find(last), std::string::npos) << "neqn " << c.neqn;
            EXPECT_EQ(text.find("dudt[" + std::to_string(4 * c.groups) + "]"), std::string::npos);
        }
    }
}

TEST_F(SkelvaneTest, AdvancingAndReadingBackNeverTouchTheTraceFile) {
    startShot(ShotParams(), initialState(0, 10, 0, 10), -6);
    const std::string before = trace();
    api_.setRKF_ICs(4, initialState(0, 11, 0, 9).data());
    api_.setSolverFlag(1);
    api_.updateParams(ShotParams().asArray().data());
    for (int frame = 0; frame < 5; ++frame) {
        api_.advanceSimDouble(1.0f / 60.0f);
        readBack();
    }
    api_.advanceSimDouble(0.0f);  // answered 8
    EXPECT_EQ(trace(), before);
}

TEST_F(SkelvaneTest, ATraceFileThatCannotBeOpenedIsSkipped) {
    std::filesystem::create_directory("op1.txt");  // a directory cannot be opened as a file
    api_.selectRHS(1, 4, ShotParams().asArray().data());
    EXPECT_EQ(api_.initSimDouble(4, -6, initialState(0, 3, 0, 4).data()), 1);
    api_.dump_u_dudt();
    EXPECT_EQ(api_.advanceSimDouble(0.5f), 2);
    EXPECT_TRUE(std::filesystem::is_directory("op1.txt"));
}
