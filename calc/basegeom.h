// The first steps of the calculation sequence: base geometry, operating pressure angle,
// allowances, generating shifts, root and tip diameters, pitches, and the tip input modes.
#pragma once

void CalcUnit0();
void CentreDistance();
void CalcUnit1();
void TipRootInputModes();
