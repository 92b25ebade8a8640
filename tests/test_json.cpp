// The runtime's own JSON reader: values, accessors that never fail, error
// roots and messages, text forms.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <fstream>
#include <string>

#include "support/RuntimeFixture.h"
#include "util/Json.h"

using tavrix::Json;
using tavrix::LDString;
using tavrix::LDVector;
using tavrix::Value;
using tavrix_test::captureStdout;

namespace {

class JsonTest : public tavrix_test::RuntimeTest {
protected:
    // Parses text; null when it does not parse. Messages are captured in printed.
    Json* parse(const std::string& text)
    {
        Json* json = nullptr;
        printed = captureStdout([&] { json = Json::parseFromBytes(text.data(), static_cast<int>(text.size())); });
        owned.reset(json);
        return json;
    }
    void TearDown() override
    {
        owned.reset();
        RuntimeTest::TearDown();
    }

    std::unique_ptr<Json> owned;
    std::string printed;
};

// Objects past the size where keys are found through an index behave like
// small ones: first-insertion order, a repeated key replaces its value.
TEST_F(JsonTest, LargeObjectsKeepOrderAndReplaceRepeatedKeys)
{
    std::string text = "{";
    const int count = 1000;
    for (int i = 0; i < count; ++i) text += "\"k" + std::to_string(i) + "\": " + std::to_string(i) + ", ";
    for (int i = 0; i < count; i += 7) text += "\"k" + std::to_string(i) + "\": -1, ";
    text += "\"k3\": {\"x\": 1, \"x\": 2}}";
    Json* json = parse(text);
    ASSERT_NE(json, nullptr) << printed;
    Value& root = json->getRoot();
    EXPECT_EQ(root.size(), count);
    LDVector<LDString>& keys = root.getKeys();
    ASSERT_EQ(keys.size(), count);
    for (int i = 0; i < count; ++i) {
        ASSERT_STREQ(keys[i].c_str(), ("k" + std::to_string(i)).c_str());
        if (i == 3) continue;
        EXPECT_EQ(root[keys[i]].toInt(), i % 7 == 0 ? -1 : i) << i;
    }
    EXPECT_EQ(root["k3"]["x"].toInt(), 2);
    EXPECT_EQ(root["k3"].size(), 1);
}

TEST_F(JsonTest, ValuesAndAccess)
{
    Json* json = parse("{\"a\": [1, -2.5e1, {\"b\": true}, false, null, []],\n"
                       " \"s\": \"x\\ty\\\"\\/\\\\\\q\", \"a2\": {}, \"s\": \"again\"}");
    ASSERT_NE(json, nullptr);
    Value& root = json->getRoot();
    ASSERT_TRUE(root.isMap());
    EXPECT_EQ(root.size(), 3); // the repeated key replaced its value
    EXPECT_TRUE(root["s"].equals("again"));
    Value& a = root["a"];
    ASSERT_TRUE(a.isArray());
    EXPECT_EQ(a.size(), 6);
    EXPECT_EQ(a[0].toInt(), 1);
    EXPECT_EQ(a[1].toDouble(), -25.0);
    EXPECT_TRUE(a[1].equals(-25.0));
    EXPECT_TRUE(a[2]["b"].toBoolean());
    EXPECT_TRUE(a[2]["b"].isStatic());
    EXPECT_TRUE(a[3].isBool());
    EXPECT_FALSE(a[3].toBoolean(true));
    EXPECT_TRUE(a[4].isNull());
    EXPECT_TRUE(a[5].isArray());
    EXPECT_EQ(a[5].size(), 0);
    EXPECT_TRUE(root["a2"].isMap());
    EXPECT_EQ(root["a2"].size(), 0);
    EXPECT_TRUE(root["missing"].isNull());

    LDVector<LDString>& keys = root.getKeys();
    ASSERT_EQ(keys.size(), 3);
    EXPECT_STREQ(keys[0].c_str(), "a");
    EXPECT_STREQ(keys[1].c_str(), "s");
    EXPECT_STREQ(keys[2].c_str(), "a2");
    EXPECT_EQ(&root.getKeys(), &keys);

    EXPECT_TRUE(parse("{\"s\": \"x\\ty\\\"\\/\\\\\\q\"}")->getRoot()["s"].equals("x\ty\"/\\"));
}

TEST_F(JsonTest, WrongKindsAndBadIndicesGiveTheSharedError)
{
    Json* json = parse("[1, 2]");
    Value& root = json->getRoot();
    Value& outside = root[5];
    EXPECT_TRUE(outside.isError());
    EXPECT_EQ(&outside, Value::ERROR_VALUE);
    EXPECT_STREQ(outside.c_str(), "Error:index out of bounds");
    EXPECT_TRUE(root[-1].isError());
    EXPECT_STREQ(root["key"].c_str(), "Error:type mismatch");
    EXPECT_STREQ(root[0][0].c_str(), "Error:type mismatch");
    EXPECT_EQ(root[0]["k"].toInt(7), 7);
    EXPECT_EQ(root.getVector()->size(), 2);
    EXPECT_EQ(root[0].getVector(), nullptr);
    EXPECT_EQ(root.getKeys().size(), 0);
}

TEST_F(JsonTest, LiteralsAreRecognisedByTheirFirstLetter)
{
    struct Case {
        const char* text;
        bool parses;
        const char* message;
    } cases[] = {
        {"txyz", true, nullptr},
        {"tru", false, "parse true"},
        {"fals", false, "parse false"},
        {"nul", false, "parse null"},
        {"falsX", true, nullptr},
        {"[1,]", true, nullptr},
        {"[,1]", false, "illegal ',' position"},
        {"", false, "illegal end of value"},
        {"\"\\u0041\"", false, "parse string/unicode escape not supported"},
        {"\"abc", false, "parse string/illegal end"},
        {"\"abc\\", false, "parse string/illegal end"},
        {"{: 1}", false, "illegal ':' position"},
        {"{\"a\" }", false, "illegal '}' position"},
        {"{\"a\"", false, "':' not found"},
        {"{ 1 ", false, "key not found"},
        {"{\"a\": 1 ", false, "illegal end of parseObject"},
        {"[1 ", false, "illegal end of parseObject"},
        {"]", false, nullptr}, // nothing at all: an empty error root
    };
    for (const Case& c : cases) {
        Json json;
        std::string out = captureStdout([&] { json.parseBytes(c.text, static_cast<int>(std::strlen(c.text))); });
        EXPECT_EQ(!json.getRoot().isError(), c.parses) << c.text;
        if (c.message) {
            ASSERT_NE(json.getErrorMessage(), nullptr) << c.text;
            EXPECT_STREQ(json.getErrorMessage(), c.message) << c.text;
        }
    }
    EXPECT_TRUE(parse("txyz")->getRoot().equals(true));
}

TEST_F(JsonTest, ParseErrorNamesTheLineAndGivesNoReader)
{
    std::string text = "[\n1,\n,2]";
    EXPECT_EQ(parse(text), nullptr);
    EXPECT_EQ(printed, "Json parse error : @line 3\n\n");

    Json json;
    captureStdout([&] { EXPECT_FALSE(json.parseBytes(text.data(), static_cast<int>(text.size()))); });
    EXPECT_TRUE(json.getRoot().isError());
    EXPECT_FALSE(json.getRoot().isStatic());
    EXPECT_STREQ(json.getRoot().c_str(), "Json parse error : @line 3\n");
    // The same reader parses again after a failure.
    EXPECT_TRUE(json.parseBytes("[3]", 3));
    EXPECT_EQ(json.getRoot()[0].toInt(), 3);
}

TEST_F(JsonTest, NestingIsCapped)
{
    std::string deep(100000, '[');
    EXPECT_EQ(parse(deep), nullptr);
    std::string ok = std::string(Json::MAX_NESTING, '[') + std::string(Json::MAX_NESTING, ']');
    EXPECT_NE(parse(ok), nullptr);
    std::string tooDeep = "[" + ok + "]";
    EXPECT_EQ(parse(tooDeep), nullptr);
}

TEST_F(JsonTest, NumbersStopAtTheEndOfTheText)
{
    const char text[] = "123";
    Json json;
    EXPECT_TRUE(json.parseBytes(text, 2));
    EXPECT_EQ(json.getRoot().toDouble(), 12.0);
    EXPECT_EQ(parse("-")->getRoot().toDouble(), 0.0);
    EXPECT_EQ(parse("1e999")->getRoot().toInt(), 2147483647);
}

TEST_F(JsonTest, TextForms)
{
    Value& root = parse("[1, [2], {\"k\": \"v\"}, true, null]")->getRoot();
    EXPECT_STREQ(root.c_str(),
                 "[\n"
                 "\t1.000000\n"
                 "\t[\n\t2.000000\n]\n\n"
                 "\t{\n\tk : v\n}\n\n"
                 "\ttrue\n"
                 "\tNullValue\n"
                 "]\n");
    std::string big = std::string(Value::NULL_VALUE->c_str()) + parse("1e300")->getRoot().c_str();
    EXPECT_EQ(big.size(), std::string("NullValue").size() + 301 + 7);
}

TEST_F(JsonTest, Files)
{
    std::string path = ::testing::TempDir() + "tavrix_json_" + std::to_string(getpid()) + ".json";
    std::ofstream(path) << "{\"x\": 4}";
    std::unique_ptr<Json> json(Json::parseFromFile(path.c_str()));
    ASSERT_NE(json, nullptr);
    EXPECT_EQ(json->getRoot()["x"].toInt(), 4);

    std::ofstream(path) << "{\"x\" 4}";
    captureStdout([&] { EXPECT_EQ(Json::parseFromFile(path.c_str()), nullptr); });
    std::remove(path.c_str());

    Json missing;
    EXPECT_FALSE(missing.parseFile(path.c_str()));
    EXPECT_STREQ(missing.getErrorMessage(), "file not found error");
    EXPECT_STREQ(missing.getRoot().c_str(), "file not found error");
    EXPECT_EQ(Json::parseFromFile(path.c_str()), nullptr);
}

} // namespace
