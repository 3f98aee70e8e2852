// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/numbertext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/convert.h"

namespace torvane {
namespace {

const std::vector<const NumberField*> kMainFields = {
    &kIntervalField, &kPortField, &kRetriesField, &kPort2Field, &kPort3Field, &kPort4Field, &kQueryRateField};

// The message a conversion throws, or "" when it converts.
std::string ThrownBy(const NumberText& number) {
    try {
        number.Value();
    } catch (const EConvertError& e) {
        return e.what();
    }
    return "";
}

TEST(NumberText, ATextThatIsNoIntegerThrowsTheConversionMessageWithTheWholeText) {
    for (const std::string text :
         {"27910x", "", " ", "+", "1 minute", "30 ", "2147483648", "-2147483649", "0x10", "3.0", "\t30"}) {
        const NumberText number(kIntervalField, text);
        EXPECT_EQ(ThrownBy(number), "'" + text + "' is not a valid integer value") << text;
        EXPECT_EQ(number.Problem(), "'" + text + "' is not a valid integer value") << text;
    }
    // What converts: blanks before it, a sign, the whole 32-bit range.
    EXPECT_EQ(NumberText(kIntervalField, " 30").Value(), 30);
    EXPECT_EQ(NumberText(kIntervalField, "+30").Value(), 30);
    EXPECT_EQ(NumberText(kRetriesField, "-5").Value(), -5);
    EXPECT_EQ(NumberText(kRetriesField, "2147483647").Value(), 2147483647);
    EXPECT_EQ(NumberText(kRetriesField, "-2147483648").Value(), -2147483647 - 1);
}

TEST(NumberText, OnlyAPortFieldRefusesANumberOutsideOneTo65535AndEveryProblemIsNamedWithItsLabel) {
    for (const NumberField* field :
         {&kPortField, &kPort2Field, &kPort3Field, &kPort4Field, &kWanPortFields[1]}) {
        for (const std::string text : {"0", "-1", "65536", "2147483647", " 0"})
            EXPECT_EQ(NumberText(*field, text).LabelledProblem(),
                      std::string(field->label) + ": " + text + " is not a port from 1 to 65535")
                << field->label << " " << text;
        for (const std::string text : {"1", "65535", " 27910", "+27910", "027910"})
            EXPECT_EQ(NumberText(*field, text).Problem(), std::nullopt) << field->label << " " << text;
        EXPECT_EQ(NumberText(*field, "27910x").LabelledProblem(),
                  std::string(field->label) + ": '27910x' is not a valid integer value");
    }
    // An interval, a retry count or a rate is taken as typed, whatever its size.
    for (const NumberField* field : {&kIntervalField, &kRetriesField, &kQueryRateField})
        for (const std::string text : {"0", "-5", "99999", "2147483647"})
            EXPECT_EQ(NumberText(*field, text).LabelledProblem(), std::nullopt) << field->name << " " << text;
    EXPECT_EQ(NumberText(kRetriesField, "five").LabelledProblem(),
              "Retries: 'five' is not a valid integer value");
    EXPECT_EQ(NumberText(kIntervalField, "x").LabelledProblem(),
              "Interval: 'x' is not a valid integer value");
}

TEST(NumberText, EachFieldStartsAtItsUsableDefaultAndFallsBackToItWhenTheTextIsNoNumber) {
    for (const NumberField* field : kMainFields) {
        const NumberText fresh(*field);
        EXPECT_EQ(fresh, field->default_text) << field->name;
        EXPECT_EQ(fresh.Problem(), std::nullopt) << field->name;
        const NumberText typed(*field, "12");
        EXPECT_EQ(typed.ValueOrDefault(), 12) << field->name;
        const NumberText bad(*field, "lots");
        EXPECT_EQ(bad.ValueOrDefault(), fresh.Value()) << field->name;
    }
    EXPECT_EQ(NumberText(kRetriesField, "").ValueOrDefault(), 5);
    EXPECT_EQ(NumberText(kQueryRateField, "fast").ValueOrDefault(), 1000);
    for (const NumberField& field : kWanPortFields) EXPECT_EQ(NumberText(field).Value(), 27910);
}

TEST(NumberText, TypingReplacesTheTextAndKeepsTheFieldCopiesIncluded) {
    NumberText port(kPort3Field);
    port = "27910x";
    EXPECT_STREQ(port.Name(), "Port3");
    EXPECT_STREQ(port.Label(), "Port #3");
    EXPECT_EQ(port.Text(), "27910x");
    const NumberText copy = port;
    EXPECT_EQ(&copy.Field(), &kPort3Field);
    EXPECT_EQ(copy, "27910x");
    EXPECT_FALSE(copy == "27910");
    port = std::string("28000");
    EXPECT_EQ(port.Value(), 28000);
    EXPECT_EQ(copy.Text(), "27910x");  // a copy is its own text
}

TEST(PlainPortNumber, TakesOnlyDigitsUpToFiveThatMakeAPort) {
    EXPECT_EQ(PlainPortNumber("27910"), 27910);
    EXPECT_EQ(PlainPortNumber("02791"), 2791);
    EXPECT_EQ(PlainPortNumber("00001"), 1);
    EXPECT_EQ(PlainPortNumber("65535"), 65535);
    for (const char* text : {"", "0", "00000", "65536", "99999", "100000", "027910", "+27910", " 27910",
                             "27910 ", "-1", "2791O", "27910x"})
        EXPECT_EQ(PlainPortNumber(text), std::nullopt) << text;
}

// Both ways of reading a port agree on every plain number: a settings port
// takes exactly what a word of the server lists takes.
TEST(PlainPortNumber, AgreesWithAPortFieldOnEveryPlainNumber) {
    for (int value = 0; value <= 99999; ++value) {
        const std::string text = std::to_string(value);
        ASSERT_EQ(PlainPortNumber(text).has_value(), !NumberText(kPortField, text).Problem()) << text;
    }
}

}  // namespace
}  // namespace torvane
