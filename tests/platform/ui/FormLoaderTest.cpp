#include "platform/ui/FormLoader.h"

#include <gtest/gtest.h>

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Menus.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {

// A plain windowed control with one extra streamed list.
class TTestBox : public TCustomControl {
public:
    explicit TTestBox(TComponent* owner) : TCustomControl(owner) {}
    static const TClassInfo& StaticClass() {
        static TClassInfo ci = [] {
            TClassInfo c{"TTestBox", &TCustomControl::StaticClass(), Creator<TTestBox>(), {}, {}};
            c.props = {FloatProp<TTestBox>("Ratio", &TTestBox::Ratio, &TTestBox::SetRatio),
                       RefProp<TTestBox, TPopupMenu>("Menu", &TTestBox::Menu, &TTestBox::SetMenu)};
            return c;
        }();
        return ci;
    }
    const TClassInfo* ClassType() const override { return &StaticClass(); }
    double Ratio() const { return ratio_; }
    void SetRatio(double r) { ratio_ = r; }
    TPopupMenu* Menu() const { return menu_; }
    void SetMenu(TPopupMenu* m) { menu_ = m; }
    void Loaded() override {
        TCustomControl::Loaded();
        loadedWithMenu = menu_ != nullptr;
    }
    std::vector<std::string> lines;
    bool loadedWithMenu = false;

private:
    double ratio_ = 0;
    TPopupMenu* menu_ = nullptr;
};

class TfrmLoaderTest : public TForm {
public:
    explicit TfrmLoaderTest(TComponent* owner) : TForm(owner) {}
    static const TClassInfo& StaticClass() {
        static TClassInfo ci = [] {
            TClassInfo c{"TfrmLoaderTest", &TForm::StaticClass(), {}, {}, {}};
            c.methods = {Method("BoxClick", &TfrmLoaderTest::BoxClick),
                         Method("ItemClick", &TfrmLoaderTest::ItemClick)};
            return c;
        }();
        return ci;
    }
    const TClassInfo* ClassType() const override { return &StaticClass(); }
    void BoxClick(TObject* sender) { clicked = sender; }
    void ItemClick(TObject* sender) { itemClicked = sender; }
    TObject* clicked = nullptr;
    TObject* itemClicked = nullptr;
};

const char* kForm = R"(object frmLoaderTest: TfrmLoaderTest
  Left = 10
  Width = 320
  Height = 200
  Caption = '测试窗口'
  Color = clBtnFace
  Font.Name = 'WenQuanYi Micro Hei'
  Font.Height = -12
  object Outer: TTestBox
    Left = 4
    Top = 4
    Width = 200
    Height = 150
    Menu = Popup1
    PopupMenu = Popup1
    object Inner: TTestBox
      Left = 10
      Top = 10
      Width = 50
      Height = 40
      Ratio = 2.5
      Lines.Strings = (
        '甲'
        'b')
      OnClick = BoxClick
    end
    object Second: TTestBox
      Left = 70
      Top = 10
      Width = 50
      Height = 40
      Visible = False
    end
  end
  object Popup1: TPopupMenu
    object Item1: TMenuItem
      Caption = '全选'
      OnClick = ItemClick
      object Sub1: TMenuItem
        Caption = 'x'
      end
    end
  end
end
)";

class FormLoader : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        UiTest::Init();
        RegisterClass(TTestBox::StaticClass());
        RegisterClass(TfrmLoaderTest::StaticClass());
        RegisterPropertyReader(TTestBox::StaticClass(), "Lines.Strings", [](TObject* o, const TFormValue& v) {
            if (v.kind != TFormValue::List) throw EFormResourceError("a list of strings expected");
            for (auto& s : v.items) static_cast<TTestBox*>(o)->lines.push_back(s.s);
        });
    }
};

TEST_F(FormLoader, BuildsTheTreeSetsPropertiesAndBindsHandlers) {
    auto* f = new TfrmLoaderTest(nullptr);
    ReadComponentResource(f, kForm);
    EXPECT_EQ(f->Name(), "frmLoaderTest");
    EXPECT_EQ(f->Caption(), "测试窗口");
    EXPECT_EQ(f->Color(), clBtnFace);
    EXPECT_EQ(f->Font()->Height(), -12);
    auto* outer = dynamic_cast<TTestBox*>(f->FindComponent("Outer"));
    auto* inner = dynamic_cast<TTestBox*>(f->FindComponent("inner"));
    auto* second = dynamic_cast<TTestBox*>(f->FindComponent("Second"));
    auto* popup = dynamic_cast<TPopupMenu*>(f->FindComponent("Popup1"));
    ASSERT_TRUE(outer && inner && second && popup);
    EXPECT_EQ(inner->Parent(), outer);
    EXPECT_EQ(outer->Parent(), f);
    EXPECT_EQ(outer->Controls(0), inner);  // document order is the z-order
    EXPECT_EQ(outer->Controls(1), second);
    EXPECT_EQ(inner->Ratio(), 2.5);
    EXPECT_EQ(inner->lines, (std::vector<std::string>{"甲", "b"}));
    EXPECT_FALSE(second->Visible());
    // References are resolved before Loaded runs, even to components read later.
    EXPECT_EQ(outer->Menu(), popup);
    EXPECT_EQ(outer->PopupMenu(), popup);
    EXPECT_TRUE(outer->loadedWithMenu);
    EXPECT_FALSE(outer->IsLoading());
    ASSERT_EQ(popup->Items()->Count(), 1);
    TMenuItem* item = popup->Items()->Items(0);
    EXPECT_EQ(item->Caption(), "全选");
    ASSERT_EQ(item->Count(), 1);
    EXPECT_EQ(item->Items(0)->Caption(), "x");
    // Handlers are the form's methods.
    ASSERT_TRUE(inner->OnClick);
    inner->OnClick(inner);
    EXPECT_EQ(f->clicked, inner);
    item->OnClick(item);
    EXPECT_EQ(f->itemClicked, item);
    delete f;
}

TEST_F(FormLoader, UnknownNamesFailNamingThem) {
    auto expectError = [](const std::string& text, const std::string& mention) {
        auto* f = new TfrmLoaderTest(nullptr);
        try {
            ReadComponentResource(f, text);
            ADD_FAILURE() << "no error for " << mention;
        } catch (const EFormResourceError& e) {
            EXPECT_NE(e.Message.find(mention), std::string::npos) << e.Message;
        }
        delete f;
    };
    expectError("object F: TfrmLoaderTest\n  object A: TNoSuchBox\n  end\nend\n", "TNoSuchBox");
    expectError("object F: TfrmLoaderTest\n  Colour = clRed\nend\n", "Colour");
    expectError("object F: TfrmLoaderTest\n  object A: TTestBox\n    OnClick = Missing\n  end\nend\n", "Missing");
    expectError("object F: TfrmLoaderTest\n  object A: TTestBox\n    Menu = Nowhere\n  end\nend\n", "Nowhere");
    expectError("object F: TfrmLoaderTest\n  Visible = Maybe\nend\n", "Maybe");
    expectError("object F: TfrmLoaderTest\n  Font.Nope = 1\nend\n", "Font.Nope");
    expectError("object F: TfrmLoaderTest\n  Left = 'x'\nend\n", "Left");
    expectError("object F: TfrmLoaderTest\n  object A: TTestBox\n  end\n  object A: TTestBox\n  end\nend\n", "line 4");
}

TEST_F(FormLoader, RegisteredResourcesByName) {
    RegisterFormResource("TfrmLoaderTest", kForm);
    auto* f = new TfrmLoaderTest(nullptr);
    InitComponentFromResource(f);
    EXPECT_NE(f->FindComponent("Popup1"), nullptr);
    delete f;
    EXPECT_THROW(FindFormResource("TFRMNONE"), EFormResourceError);
    // Several forms of one resource under one owner: the later ones get numbered names.
    TComponent owner(nullptr);
    auto* a = new TfrmLoaderTest(&owner);
    auto* b = new TfrmLoaderTest(&owner);
    InitComponentFromResource(a);
    InitComponentFromResource(b);
    EXPECT_EQ(a->Name(), "frmLoaderTest");
    EXPECT_EQ(b->Name(), "frmLoaderTest_1");
}

}  // namespace
