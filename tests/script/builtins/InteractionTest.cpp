// MsgBox and InputBox answered through the message-box seam, CreateObject
// limited to the dictionary, and the dictionary's members.

#include "BuiltinsTestSupport.h"

#include "core/Prompt.h"
#include "script/builtins/Dictionary.h"

using namespace builtinstest;

TEST(Interaction, MsgBoxGoesThroughTheProgramsBox) {
    core::ScriptedBoxes boxes;
    boxes.answer(core::kAnswerNo);
    EXPECT_EQ(show(call("MsgBox", {S("Continuare ?"), L(4 + 32)})).toStdString(), "Integer:7");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Continuare ?");
    EXPECT_EQ(boxes.shown()[0].style, 36);
    EXPECT_EQ(boxes.shown()[0].title, core::softwareName());

    // A plain notice: OK, with the script's own title when it gives one.
    EXPECT_EQ(show(call("MsgBox", {D(3.5), M(), S("Prova")})).toStdString(), "Integer:1");
    EXPECT_EQ(boxes.shown()[1].text, "3,5");
    EXPECT_EQ(boxes.shown()[1].title, "Prova");
}

TEST(Interaction, InputBoxGivesTheTextOrEmptyWhenCancelled) {
    core::ScriptedBoxes boxes;
    boxes.input(QStringLiteral("42"));
    boxes.input(std::nullopt);
    EXPECT_EQ(show(call("InputBox", {S("Quantità :"), S("Ordine"), L(1)})).toStdString(), "String:42");
    EXPECT_EQ(boxes.shown()[0].title, "Ordine");
    EXPECT_TRUE(call("InputBox", {S("Quantità :")}).isEmpty());
}

TEST(Interaction, CreateObjectMakesOnlyADictionary) {
    EXPECT_EQ(show(call("CreateObject", {S("Scripting.Dictionary")})).toStdString(), "Dictionary");
    EXPECT_EQ(show(call("CreateObject", {S("scripting.dictionary")})).toStdString(), "Dictionary");
    runErrorCases({
        {"CreateObject", {S("Scripting.FileSystemObject")}, 429},
        {"CreateObject", {S("WScript.Shell")}, 429},
        {"CreateObject", {S("MSXML2.XMLHTTP")}, 429},
        {"CreateObject", {S("ADODB.Connection")}, 429},
    });
}

namespace {

// Calls a member the way the interpreter does, with the arguments by reference.
Variant member(core::Object& o, const char* name, core::CallKind kind, std::vector<Variant> args = {}) {
    std::vector<Variant*> refs;
    for (Variant& a : args) refs.push_back(&a);
    return o.invoke(QString::fromLatin1(name), kind, refs);
}

long memberError(core::Object& o, const char* name, core::CallKind kind, std::vector<Variant> args = {}) {
    try {
        member(o, name, kind, std::move(args));
    } catch (const core::AppError& e) {
        return e.number();
    }
    return 0;
}

constexpr auto Get = core::CallKind::PropertyGet;
constexpr auto Let = core::CallKind::PropertyLet;
constexpr auto Call = core::CallKind::Method;

}  // namespace

TEST(Interaction, DictionaryMembers) {
    const auto obj = call("CreateObject", {S("Scripting.Dictionary")}).toObject();
    core::Object& d = *obj;
    member(d, "Add", Call, {S("b"), L(2)});
    member(d, "ADD", Call, {S("a"), L(1)});
    member(d, "Add", Call, {L(1), S("uno")});  // the number 1 is not the text "1"
    EXPECT_EQ(show(member(d, "Count", Get)).toStdString(), "Long:3");
    EXPECT_EQ(show(member(d, "Item", Get, {S("a")})).toStdString(), "Long:1");
    EXPECT_EQ(show(member(d, "", Get, {D(1.0)})).toStdString(),
              "String:uno");  // default member, numbers by value
    EXPECT_EQ(show(member(d, "Exists", Call, {S("1")})).toStdString(), "Boolean:Falso");
    EXPECT_EQ(show(member(d, "Keys", Call)).toStdString(), "Variant()(b|a|1)");

    member(d, "", Let, {S("b"), L(20)});     // d("b") = 20
    member(d, "Item", Let, {S("c"), L(3)});  // a new key by assignment
    EXPECT_EQ(show(member(d, "Items", Call)).toStdString(), "Variant()(20|1|uno|3)");
    member(d, "Key", Let, {S("c"), S("z")});
    EXPECT_EQ(show(member(d, "Exists", Call, {S("z")})).toStdString(), "Boolean:Vero");

    // Reading an absent key adds it, as the language's dictionary does.
    EXPECT_TRUE(member(d, "Item", Get, {S("nuova")}).isEmpty());
    EXPECT_EQ(show(member(d, "Count", Get)).toStdString(), "Long:5");

    member(d, "Remove", Call, {S("a")});
    std::vector<QString> keys;
    for (const Variant& k : d.enumerate()) keys.push_back(k.toString());
    EXPECT_EQ(keys, (std::vector<QString>{"b", "1", "z", "nuova"}));

    EXPECT_EQ(memberError(d, "Add", Call, {S("b"), L(0)}), 457);
    EXPECT_EQ(memberError(d, "Remove", Call, {S("assente")}), 32811);
    EXPECT_EQ(memberError(d, "Key", Let, {S("assente"), S("x")}), 32811);
    EXPECT_EQ(memberError(d, "CompareMode", Let, {L(1)}), 5);  // not once it holds items
    EXPECT_EQ(memberError(d, "Count", Let, {L(1)}), 450);      // read-only
    EXPECT_EQ(memberError(d, "Add", Call, {S("x")}), 450);     // one argument short
    EXPECT_EQ(memberError(d, "Sort", Call), 438);

    member(d, "RemoveAll", Call);
    EXPECT_EQ(show(member(d, "Count", Get)).toStdString(), "Long:0");
    member(d, "CompareMode", Let, {L(1)});
    member(d, "Add", Call, {S("Chiave"), L(1)});
    EXPECT_EQ(show(member(d, "Exists", Call, {S("CHIAVE")})).toStdString(), "Boolean:Vero");
    EXPECT_EQ(memberError(d, "Add", Call, {S("chiave"), L(2)}), 457);
}
