// Window designs: the text format, and forms built from them.
#include <gtest/gtest.h>

#include <sstream>

#include "framework/application.h"
#include "framework/design.h"
#include "framework/headless/headless_ui.h"
#include "framework/resources.h"

namespace talvex {
namespace {

TEST(DesignParserTest, ReadsObjectsPropertiesAndEveryValueKind) {
  DesignObject root = ParseDesign(
      "// comment\n"
      "object Form9: TForm9\n"
      "  Caption = 'It''s '#49#13#10'x'\n"
      "  Left = -12\n"
      "  Visible = False\n"
      "  Color = clBtnFace\n"
      "  BorderIcons = [biSystemMenu, biMinimize]\n"
      "  Empty = []\n"
      "  Lines.Strings = ('one' 'two')\n"
      "  object Child: TButton\n"
      "    OnClick = ChildClick\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(root.name, "Form9");
  EXPECT_EQ(root.className, "TForm9");
  ASSERT_EQ(root.properties.size(), 7u);
  EXPECT_EQ(std::get<std::string>(root.properties[0].value), "It's 1\r\nx");
  EXPECT_EQ(std::get<long long>(root.properties[1].value), -12);
  EXPECT_EQ(std::get<bool>(root.properties[2].value), false);
  EXPECT_EQ(std::get<DesignIdentifier>(root.properties[3].value).name, "clBtnFace");
  EXPECT_EQ(std::get<DesignSet>(root.properties[4].value).items,
            (std::vector<std::string>{"biSystemMenu", "biMinimize"}));
  EXPECT_TRUE(std::get<DesignSet>(root.properties[5].value).items.empty());
  EXPECT_EQ(std::get<DesignStrings>(root.properties[6].value).items,
            (std::vector<std::string>{"one", "two"}));
  ASSERT_EQ(root.children.size(), 1u);
  EXPECT_EQ(root.children[0].className, "TButton");
}

TEST(DesignParserTest, MalformedDesignsAreRefusedWithTheirLine) {
  const char* bad[] = {
      "",
      "object A: TForm\n",
      "object A TForm\nend\n",
      "object A: TForm\n  Caption = 'open\nend\n",
      "object A: TForm\n  Caption = #300\nend\n",
      "object A: TForm\n  Left = 99999999999\nend\n",
      "object A: TForm\n  Set = [a b]\nend\n",
      "object A: TForm\n  Lines = ('a' b)\nend\n",
      "object A: TForm\nend\nextra",
      "object A: TForm\n  = 3\nend\n",
  };
  for (const char* text : bad)
    EXPECT_THROW(ParseDesign(text), EDesignError) << text;
  try {
    ParseDesign("object A: TForm\n\n  Caption = 'open\nend\n");
  } catch (const EDesignError& error) {
    EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
  }
}

TEST(DesignParserTest, DeepNestingIsRefusedNotOverflowed) {
  std::string text;
  for (int i = 0; i < 100; ++i)
    text += "object A" + std::to_string(i) + ": TGroupBox\n";
  for (int i = 0; i < 100; ++i)
    text += "end\n";
  EXPECT_THROW(ParseDesign(text), EDesignError);
}

TEST(EmbeddedDesignTest, EveryWindowDesignIsEmbeddedAndParses) {
  for (const char* name : {"Form1.design", "Form2.design", "Form3.design", "Form4.design",
                           "Form5.design", "Form6.design"}) {
    std::optional<std::string> text = FindEmbeddedResource(name);
    ASSERT_TRUE(text.has_value()) << name;
    EXPECT_NO_THROW(ParseDesign(*text)) << name;
  }
  EXPECT_FALSE(FindEmbeddedResource("Form7.design").has_value());
}

// The wizard's design, loaded into a form that binds what the wizard binds.
class WizardDesignForm : public TForm {
 public:
  explicit WizardDesignForm(TApplication& application)
      : TForm(application, "Form2", "Form2.design") {
    BindControl("Memo1", Memo1);
    BindControl("MSCheckBox", MSCheckBox);
    BindControl("DriversGroupBox", DriversGroupBox);
    BindControl("Next", Next);
    BindHandler("FormCreate", [this](TObject*) { ++created; });
    BindHandler("FormShow", [this](TObject*) { ++shown; });
    for (const char* click : {"BackClick", "NextClick", "CancelClick"})
      BindHandler(click, [](TObject*) {});
    BindCloseQueryHandler("FormCloseQuery", [](TObject*, bool& canClose) { canClose = false; });
    LoadDesign();
  }
  TMemo* Memo1 = nullptr;
  TCheckBox* MSCheckBox = nullptr;
  TGroupBox* DriversGroupBox = nullptr;
  TButton* Next = nullptr;
  int created = 0;
  int shown = 0;
};

TEST(FormTest, TheWizardDesignGivesItsControlsAndStates) {
  std::ostringstream boxes;
  HeadlessUi ui(boxes);
  TApplication application(ui, "Setup");
  auto* form = application.CreateForm<WizardDesignForm>();
  EXPECT_EQ(form->created, 1);
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(form->Caption(), "Korvane Electronics Corp. TALVEX drivers Installation");
  EXPECT_EQ(form->Width(), 630);
  EXPECT_EQ(form->Memo1->Lines(), (std::vector<std::string>{"Welcome!"}));
  EXPECT_FALSE(form->DriversGroupBox->Visible());
  EXPECT_FALSE(form->MSCheckBox->Enabled());
  EXPECT_EQ(form->MSCheckBox->Parent(), form->DriversGroupBox);
  EXPECT_EQ(form->MSCheckBox->Left(), 16);
  EXPECT_EQ(form->Next->Caption(), "Next >");
  EXPECT_EQ(form->Controls().size(), 12u);
  // The look properties are kept for the backend: MS Mincho in Shift-JIS.
  const DesignValue* font = form->StoredProperty("Font.Name");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(std::get<std::string>(*font), "\x82\x6c\x82\x72 \x96\xbe\x92\xa9");

  form->Show();
  form->Show();
  EXPECT_EQ(form->shown, 1);
  form->Close();  // refused by its close query
  EXPECT_TRUE(form->Visible());
}

class UnboundHandlerForm : public TForm {
 public:
  explicit UnboundHandlerForm(TApplication& application)
      : TForm(application, "Form2", "Form2.design") {
    LoadDesign();
  }
};

TEST(FormTest, AHandlerTheClassDoesNotHaveIsADesignError) {
  std::ostringstream boxes;
  HeadlessUi ui(boxes);
  TApplication application(ui, "Setup");
  EXPECT_THROW(application.CreateForm<UnboundHandlerForm>(), EDesignError);
}

TEST(ControlsTest, ClicksRespectEnabledStateAndMemoTextIsReplaced) {
  TCheckBox box("Box", nullptr);
  box.Click();
  EXPECT_TRUE(box.Checked());
  box.SetEnabled(false);
  box.Click();
  EXPECT_TRUE(box.Checked());

  int clicks = 0;
  TButton button("Button", nullptr);
  button.OnClick = [&clicks](TObject*) { ++clicks; };
  button.Click();
  button.SetEnabled(false);
  button.Click();
  EXPECT_EQ(clicks, 1);

  TMemo memo("Memo", nullptr);
  memo.Add("a");
  memo.Add("b");
  memo.SetText("only");
  EXPECT_EQ(memo.Lines(), (std::vector<std::string>{"only"}));
}

TEST(HeadlessUiTest, BoxesArePrintedOnOneLine) {
  EXPECT_EQ(HeadlessUi::BoxLine("ERROR", "Can't find\r\nit\n"), "[ERROR] Can't find\\r\\nit\\n\n");
}

}  // namespace
}  // namespace talvex
