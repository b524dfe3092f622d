object Form1: TForm1
  Left = -8
  Top = 2147483647
  Caption = 'It''s '#233'a'#$20AC
  Hint = 
    'first line'#13#10 +
    'second'
  Width = 1.5E+3
  Ratio = 0.25s
  Money = 12.34c
  When = 45000.5d
  Big = 9223372036854775807
  Neg = -2147483649
  Font.Style = [fsBold, fsItalic]
  Empty = []
  Anchors = [akLeft]
  OnClick = Button1Click
  Active = True
  Nothing = nil
  Items.Strings = (
    'a'
    'b')
  Numbers = (
    1
    2.5
    -3)
  Data = {
    0A0B0C0D}
  Columns = <
    item
      Width = 10
    end
    item
    end>
  NoItems = <>
  object Panel1: TPanel [2]
    Left = 0
    inline Frame1: TFrame1
      Tag = 1
    end
  end
  inherited Button1: TButton
    Caption = 'Ok'
  end
end
