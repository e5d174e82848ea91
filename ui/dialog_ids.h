// The ids the dialogs and their callers share: dialog templates, command buttons and the
// controls that are addressed at run time. Templates 219 and 224 to 228 are named by callers
// but not provided; opening them fails as a missing template does.
#pragma once

// Dialog templates.
const int kDialogUpdateProgress = 200;
const int kDialogWelcome = 201;
const int kDialogSearch = 202;
const int kDialogConfirmExit = 205;
const int kDialogReview = 208;
const int kDialogDatabaseProgress = 210;
const int kDialogStopped = 212;
const int kDialogUpdated = 213;
const int kDialogNotFound = 215;
const int kDialogRestart = 218;
const int kDialogInstallProgress = 220;
const int kDialogInstalled = 221;
const int kDialogPartlyInstalled = 222;
const int kDialogPrintOffer = 229;
// The print-abort dialog's template has a string name, not a number.
const char* const kDialogPrintAbort = "RESID_DLG_PRINT";

// Command buttons: any id from 400 to 499 ends a modal dialog with that id.
const int kFirstCommand = 400;
const int kLastCommand = 499;
const int kButtonUpdate = 401;
const int kButtonReview = 402;
const int kButtonExit = 403;
const int kButtonCancel = 406;  // Cancel, Exit, Restart Later; also Close on the system menu
const int kButtonResume = 407;
const int kButtonOk = 408;  // OK, Install, Continue, Restart Now
const int kButtonRestore = 409;
const int kButtonPrint = 415;

// Controls addressed at run time.
const int kControlPath = 501;       // the path field (edit in 208 and 215, static in 202)
const int kControlText = 503;       // a text supplied at run time (welcome, not found, file name)
const int kControlGuide = 510;      // the hidden guide text of 229
const int kControlPrintName = 512;  // the name of the document in the print-abort dialog
