#include "platform/rtl/FormResource.h"

#include <gtest/gtest.h>

namespace {

const char* kForm = R"(object frmMain: TfrmMain
  Left = -8
  Caption = '图幅 ''A'''#13#10 +
    'second'
  Font.Height = -12
  Scale = 1.5
  Color = $00FF8000
  Visible = True
  Options = [goA, goB]
  OnClick = FormClick
  Items.Strings = (
    '一'
    'two')
  Panels = <
    item
      Width = 50
    end
    item
      Text = 'x'
    end>
  Glyph.Data = {
    0A0b FF}
  object Panel1: TPanel
    object Edit1: TEdit
      Text = ''
    end
  end
  object Button1: TButton
  end
end
)";

TEST(FormResource, ParsesEveryValueKind) {
    TFormObject o = ParseFormResource(kForm);
    EXPECT_EQ(o.name, "frmMain");
    EXPECT_EQ(o.className, "TfrmMain");
    ASSERT_EQ(o.properties.size(), 11u);
    EXPECT_EQ(o.properties[0].value.i, -8);
    EXPECT_EQ(o.properties[1].value.s, "图幅 'A'\r\nsecond");
    EXPECT_EQ(o.properties[2].name, "Font.Height");
    EXPECT_EQ(o.properties[3].value.kind, TFormValue::Float);
    EXPECT_EQ(o.properties[3].value.d, 1.5);
    EXPECT_EQ(o.properties[4].value.i, 0x00FF8000);
    EXPECT_TRUE(o.properties[5].value.IsTrue());
    ASSERT_EQ(o.properties[6].value.items.size(), 2u);
    EXPECT_EQ(o.properties[6].value.items[1].s, "goB");
    EXPECT_EQ(o.properties[7].value.s, "FormClick");
    ASSERT_EQ(o.properties[8].value.items.size(), 2u);
    EXPECT_EQ(o.properties[8].value.items[0].s, "一");
    ASSERT_EQ(o.properties[9].value.collection.size(), 2u);
    EXPECT_EQ(o.properties[9].value.collection[1].properties[0].value.s, "x");
    EXPECT_EQ(o.properties[10].value.s, std::string("\x0A\x0B\xFF"));
    ASSERT_EQ(o.children.size(), 2u);
    EXPECT_EQ(o.children[0].children[0].name, "Edit1");
    EXPECT_EQ(o.children[1].className, "TButton");
    EXPECT_EQ(o.children[1].line, 28);
}

TEST(FormResource, ErrorsNameTheLine) {
    const char* bad[] = {
        "object A: TA\n  Caption = 'x\nend\n",
        "object A: TA\n  Left 5\nend\n",
        "object A: TA\n",
        "object A: TA\nend\nend\n",
        "thing A: TA\nend\n",
        "object A: TA\n  Items = <\n    item\n      W = 1\n",
        "object A: TA\n  Data = {0A0}\nend\n",
        "object A: TA\n  S = 'a' +\nend\n",
    };
    for (const char* t : bad) EXPECT_THROW(ParseFormResource(t), EFormResourceError) << t;
    try {
        ParseFormResource("object A: TA\n  Left 5\nend\n");
    } catch (const EFormResourceError& e) {
        EXPECT_NE(e.Message.find("line 2"), std::string::npos) << e.Message;
    }
}

// Resources nested n levels deep through lists, collections or objects.
std::string NestedLists(int n) { return "object A: TA\n  L =\n" + std::string(n, '(') + std::string(n, ')') + "\nend\n"; }
std::string NestedCollections(int n) {
    std::string s = "object A: TA\n";
    for (int i = 1; i < n; ++i) s += "  C = <item\n";
    s += "  C = <>\n";
    for (int i = 1; i < n; ++i) s += "  end>\n";
    return s + "end\n";
}
std::string NestedObjects(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "object A: TA\n";
    for (int i = 0; i < n; ++i) s += "end\n";
    return s;
}

TEST(FormResource, DeepNestingIsRefusedNotOverflowed) {
    // An object holding 63 nested lists is 64 levels: the limit, accepted.
    EXPECT_EQ(ParseFormResource(NestedLists(63)).properties.at(0).value.items.size(), 1u);
    EXPECT_NO_THROW(ParseFormResource(NestedCollections(63)));
    EXPECT_NO_THROW(ParseFormResource(NestedObjects(64)));
    for (const std::string& t : {NestedLists(64), NestedCollections(64), NestedObjects(65), NestedLists(3000),
                                 NestedObjects(100000), NestedCollections(20000)}) {
        try {
            ParseFormResource(t);
            ADD_FAILURE() << "accepted " << t.size() << " bytes";
        } catch (const EFormResourceError& e) {
            EXPECT_NE(e.Message.find("line "), std::string::npos) << e.Message;
            EXPECT_NE(e.Message.find("nested"), std::string::npos) << e.Message;
        }
    }
    // The line named is the one where the limit is passed.
    try {
        ParseFormResource(NestedCollections(64));
    } catch (const EFormResourceError& e) {
        EXPECT_NE(e.Message.find("line 65:"), std::string::npos) << e.Message;
    }
    // Depth is nesting, not count: many siblings side by side are fine.
    std::string wide = "object A: TA\n  L = (";
    for (int i = 0; i < 1000; ++i) wide += "(1)";
    EXPECT_EQ(ParseFormResource(wide + ")\nend\n").properties.at(0).value.items.size(), 1000u);
}

}  // namespace
