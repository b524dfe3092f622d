object Fé: TForm
  Caption = '€'
end
