// The window designs the framework tests load, in place of the program's embedded ones. Being
// defined here, in an object file, this FindEmbeddedResource wins over the one in the resources
// archive, which the linker then never pulls in.
#include <optional>
#include <string>

#include "framework/resources.h"

namespace talvex {

std::optional<std::string> FindEmbeddedResource(const std::string& name) {
  if (name == "TestForm.design") {
    return std::string(R"(object TestForm: TTestForm
  Left = 40
  Top = 30
  Width = 400
  Height = 300
  Caption = 'Test window'
  Font.Name = 'Tahoma'
  Font.Height = -13
  Font.Charset = ANSI_CHARSET
  OnCloseQuery = FormCloseQuery
  object OK: TButton
    Left = 300
    Top = 230
    Width = 75
    Height = 25
    Caption = 'OK'
    OnClick = OKClick
  end
  object Choices: TGroupBox
    Left = 10
    Top = 10
    Width = 200
    Height = 100
    Caption = 'Drivers'
    object MSCheckBox: TCheckBox
      Left = 12
      Top = 20
      Width = 150
      Height = 17
      Caption = 'Memory Stick'
      Checked = True
      Font.Style = [fsBold]
    end
    object SDCheckBox: TCheckBox
      Left = 12
      Top = 44
      Width = 150
      Height = 17
      Caption = 'SD card'
      Enabled = False
    end
  end
  object Notes: TMemo
    Left = 10
    Top = 120
    Width = 200
    Height = 60
    Lines.Strings = (
      'first line'
      'second line')
  end
  object Title: TLabel
    Left = 220
    Top = 10
    Width = 150
    Height = 20
    Caption = 'Welcome'
    Font.Name = 'Arial'
    Font.Height = -20
  end
  object Hint: TLabel
    Left = 220
    Top = 40
    Width = 150
    Height = 20
    Caption = 'hidden'
    Visible = False
  end
  object Line: TBevel
    Left = 10
    Top = 220
    Width = 370
    Height = 2
  end
  object Path: TEdit
    Left = 10
    Top = 190
    Width = 200
    Height = 21
    Text = 'C:\WINDOWS'
  end
end
)");
  }
  return std::nullopt;
}

}  // namespace talvex
