// A test aid, off unless the environment variable HOTARU_DIAG_FILE names a
// file.  Then the program appends one line to that file whenever the
// editor's observable state changes (checked every 50 ms), so a test that
// drives the real program from outside (real key events through a real
// input method) can wait for and check what happened.  A line is
// space-separated key=value fields, the text and the preedit last:
//   focus=0|1       the editor has the keyboard focus
//   dialog=0|1      a modal dialog is open
//   view=x,y,w,h    the editor's client area, in screen pixels
//   cell=w,h        the cell width and the character height, in pixels
//   area=x,y,w,h    the text area (right of the row numbers, below the
//                   column ruler), in screen pixels
//   rowh=h          the row height, in pixels
//   top=row         the first row shown
//   rows=n          the number of rows (wrapped rows counted)
//   sel=ax,ay,bx,by the character selection's anchor and active ends
//   rowsel=a,b      the row selection's anchor and active rows (-1: none)
//   menu=x,y,w,h    the menu bar's first title, in screen pixels
//   caret=col,row   the caret's document position
//   caretrect=...   the caret, in screen pixels (x,y,w,h)
//   imrect=...      the cursor rectangle the input method is given, in
//                   screen pixels, as the platform plugin computes it
//   status=HEX      the status line's fields joined by " | ", UTF-8
//   font=n          the editor's font size, in points
//   popup=0|1       a menu is open
//   dialogtitle=HEX the open modal dialog's title, UTF-8 (empty: none)
//   help=0|1        the help window is shown
//   undo=0|1        there is something to undo
//   text=HEX        the document's bytes (CP932, CR LF line ends), while
//                   it has at most 4096 rows and 256 KiB; "-" when larger
//   preedit=HEX     the text being composed, UTF-8
#pragma once

class TForm1;

// Starts writing when HOTARU_DIAG_FILE is set; does nothing otherwise.
void StartDiagnostics(TForm1& Form);
