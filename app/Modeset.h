// The mode dialog: mode number, channel range, buffer size per channel and
// timer, kept between openings.
#pragma once

#include "tamrix_ui/ui.h"

class TModeSetForm : public tamrix::ui::Form {
 public:
  TModeSetForm();

  void FormCreate();

  tamrix::ui::Label Label1{this};
  tamrix::ui::ComboBox ComboBoxModeSel{this};
  tamrix::ui::Label Label2{this};
  tamrix::ui::ComboBox ComboBoxStartChSel{this};
  tamrix::ui::Label Label3{this};
  tamrix::ui::ComboBox ComboBoxStopChSel{this};
  tamrix::ui::Label Label4{this};
  tamrix::ui::ComboBox ComboBoxBuffSize{this};
  tamrix::ui::Label Label5{this};
  tamrix::ui::Edit EditTimer{this};
  tamrix::ui::Button Button1{this};
  tamrix::ui::Button Button2{this};

 private:
  void Layout();
};

extern TModeSetForm *ModeSetForm;
