// Version 1.0 columns: computed at END VARIABLE from the type and the size or codes.
#include "vqz2xml/vqz2xml.hpp"

#include <gtest/gtest.h>
#include <string>

namespace {

// The position lines of a converted version 1.0 record with the given variables.
std::string positions(const std::string& variables) {
    const std::string input =
        "VQZ VERSION 1.0 SURVEY RECORD A\n" + variables + "END RECORD END SURVEY END VQZ\n";
    const vqz2xml::Result result = vqz2xml::convert(input);
    EXPECT_TRUE(result.complete) << result.xml;
    std::string lines;
    for (auto at = result.xml.find("<position"); at != std::string::npos;
         at = result.xml.find("<position", at + 1)) {
        lines += result.xml.substr(at, result.xml.find('\r', at) - at) + "\n";
    }
    return lines;
}

std::string variable(int ident, const std::string& type, const std::string& body) {
    return "VARIABLE " + std::to_string(ident) + " NAME \"v\" LABEL \"l\" TYPE " + type + "\n" +
           body + "END VARIABLE\n";
}

TEST(ColumnComputationTest, EachKindTakesItsWidthBehindTheColumnsBefore) {
    EXPECT_EQ(
        "<position start=\"1\" finish=\"2\"/>\n"
        "<position start=\"3\" finish=\"7\"/>\n"
        "<position start=\"8\"/>\n"
        "<position start=\"9\" finish=\"28\"/>\n"
        "<position start=\"29\" finish=\"31\"/>\n",
        positions(variable(1, "SINGLE", "VALUES 1 \"a\" 2 \"b\" 10 \"c\" END VALUES\n") +
                  variable(2, "MULTIPLE", "VALUES \"a\" \"b\" \"c\" \"d\" \"e\" END VALUES\n") +
                  variable(3, "LOGICAL", "") + variable(4, "CHARACTER", "SIZE 20\n") +
                  variable(5, "QUANTITY", "SIZE 0 TO 250\n")));
}

// What a variable lacks is never taken from the variables around it.
TEST(ColumnComputationTest, VariablesLackingWhatTheirKindNeeds) {
    EXPECT_EQ("<position start=\"1\"/>\n"               // single without values: 1
              "<position start=\"2\"/>\n"               // multiple without values: 0
              "<position start=\"2\"/>\n"               // quantity with neither: 0
              "<position start=\"2\"/>\n"               // character with a size range: 0
              "<position start=\"2\"/>\n"               // character without size: 0
              "<position start=\"2\" finish=\"4\"/>\n", // the size of the last one only
              positions(variable(1, "SINGLE", "") + variable(2, "MULTIPLE", "") +
                        variable(3, "QUANTITY", "") + variable(4, "CHARACTER", "SIZE 1 TO 9\n") +
                        variable(5, "CHARACTER", "") + variable(6, "CHARACTER", "SIZE 3\n")));
}

TEST(ColumnComputationTest, HugeCountsSaturateAndAreWrittenInFull) {
    EXPECT_EQ("<position start=\"1\" finish=\"99999999999\"/>\n"
              "<position start=\"100000000000\" finish=\"9223372036854775807\"/>\n"
              "<position start=\"9223372036854775807\" finish=\"9223372036854775807\"/>\n",
              positions(variable(1, "CHARACTER", "SIZE 99999999999\n") +
                        variable(2, "CHARACTER", "SIZE 99999999999999999999999\n") +
                        variable(3, "MULTIPLE", "VALUES 5 \"a\" END VALUES\n")));
}

TEST(ColumnComputationTest, UnfinishedVariableHasAnEmptyPosition) {
    const vqz2xml::Result result =
        vqz2xml::convert("VQZ VERSION 1.0 SURVEY RECORD A\nVARIABLE 1 NAME \"v\" LABEL \"l\" TYPE "
                         "SINGLE\nVALUES 1 \"a\"\n");
    EXPECT_FALSE(result.complete);
    EXPECT_NE(std::string::npos, result.xml.find("                <position/>\r\n"));
}

} // namespace
