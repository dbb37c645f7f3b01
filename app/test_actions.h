#pragma once
// Test seam ZAV_TEST_ACTIONS: what a user would do in the windows, for end-to-end tests
// that need an action no setting gives. Steps are separated by ";":
//   "Name=text"  sets the text of the line edit called Name,
//   "Name"       clicks the button or check box called Name (a check box toggles),
//   "Name?"      logs "testActions: Name=<text>" of that label, line edit or button now and
//                whenever its text changes.
// A name matches a widget's objectName; a shown window's widget wins over a hidden one's.
// A name qualified by its window's objectName ("frmSetup.Text1(0)", "Form1.Text1(0)") picks
// that window's control when two windows have one of that name.

#include <QString>

// Queues the steps of ZAV_TEST_ACTIONS (when set) to run once the event loop runs.
void scheduleTestActions();
void runTestActions(const QString& steps);
