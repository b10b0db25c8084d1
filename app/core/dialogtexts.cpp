#include "core/dialogtexts.h"

namespace vx {

const std::string_view kEditText =
    "To draw your first graph, type this command into the box above and then click on EXECUTE:\r\n"
    "     graph3d( 2*x^2 + 3*y^2 + z^2 = 9 )\r\n"
    "\r\n"
    "For more examples, click on CANCEL, OPEN one of the sample files and then click on EDIT to "
    "see the commands that draw it.  "
    "The file DEFAULTS.VLX holds every option with its default value; copy the lines you need "
    "into your own graphs.\r\n"
    "\r\n"
    "To copy text from this box, select it and press Ctrl-C.  "
    "To paste text from the clipboard, press Ctrl-V.\r\n"
    "Each command or option must start on a line of its own, and the GRAPH3D command must come "
    "last.  "
    "Lines that begin with a semicolon are comments.  Click on HELP for all of the options and "
    "functions.";

const std::string_view kColorText =
    "Choose a surface color and a vector color, then click on OK.\r\n"
    "Inequalities keep their own colors: \"true blue\" on the side where the inequality holds and "
    "the reddest colors on the false side.  "
    "Only BySteepness changes them.\r\n"
    "\r\n"
    "The solid colors work best with the transparency, shading and highlight choices of the "
    "SCROLLBAR.\r\n"
    "\r\n"
    "For an example of saving a color with a graph, OPEN and EDIT DEFAULTS.VLX.";

const std::string_view kBackgroundText =
    "Select a background color and then click on OK.\r\n"
    "\r\n"
    "To save the background color with the graph, set the GRAPH3D.BACKGROUND variable to the "
    "desired color.  For an example, OPEN and EDIT the file DEFAULTS.VLX.";

const std::string_view kAnimateText =
    "There are five ways to animate a graph:\r\n"
    "\r\n"
    "1.  Hold down the PAGEUP, PAGEDOWN, HOME or arrow keys.  "
    "The arrow keys turn the graph, PAGEUP and PAGEDOWN zoom in and out, and HOME returns to the "
    "starting view.\r\n"
    "2.  "
    "Click on SCROLLBAR, choose X, Y or Z slice, and move the slider to sweep a slice through "
    "the graph.\r\n"
    "3.  Use the variable TIME in a graph.  "
    "It counts the seconds since the program started, so the graph moves by itself, as in\r\n"
    "     GRAPH3D( X^2 + Y^2 + SIN(TIME) = Z^2 )\r\n"
    "4.  "
    "Use the variables A, B, C and D in a graph, click on SCROLLBAR, choose a variable and move "
    "the slider to change its value, as in\r\n"
    "     GRAPH3D( A*X^2 + B*Y^2 + C*Z^2 = 9*D^2 )\r\n"
    "5.  "
    "Click on one of the buttons below to make the graph rotate continuously by itself, or to "
    "stop the rotation.  "
    "The keys still work while it turns.";

const std::string_view kVideoModeText =
    "Veltrix draws the best pictures when your computer displays many colors.  "
    "With only 256 colors Veltrix can still draw every graph, but the photorealistic effects "
    "need more colors: transparency, shading, highlight and contrast are only available in a "
    "display mode with more than 256 colors.\r\n"
    "\r\n"
    "To change the number of colors, first exit from Veltrix.  "
    "Then click on Start, then Settings, then Control Panel, then Display, and then on the "
    "Settings tab.  "
    "Under Colors, choose High Color or, better still, True Color, and click on OK.  "
    "Some computers must be restarted before the new setting takes effect.\r\n"
    "If the list offers nothing above 256 colors, try a smaller screen area, which leaves more "
    "of the display memory for colors.";

const std::string_view kOpenPanelText =
    "Click on a .VLX file and then click on OPEN.  "
    "Windows may hide the .VLX extension, so the file names may appear without it.\r\n"
    "\r\n"
    "After opening a graph, click on EDIT to see its commands and change them.\r\n"
    "\r\n"
    "To see all of the options with their default values, open the file DEFAULTS.VLX and then "
    "click on EDIT to read them.";

const std::string_view kSavePanelText =
    "Type a name for the graph in the File name box and then click on Save.  "
    "The extension .VLX is added to the name when you leave it out, so sphere is saved as "
    "sphere.vlx.\r\n"
    "\r\n"
    "To replace a graph that you saved before, click on its name; Veltrix asks before the old "
    "file is overwritten.  "
    "To save in another folder, choose it in the Save in box first.\r\n"
    "\r\n"
    "Names may not contain any of these characters:  * < > : \" / \\ | ?";

const std::string_view kSaveQuestionText =
    "Binary VLX files are smaller, carry error checking, and can be read by the free Veltrix "
    "Viewer as well as by Veltrix itself.  "
    "All of the sample graphs are binary files, too.\r\n"
    "\r\n"
    "ASCII VLX files hold the plain graph commands, so that any text editor can read and change "
    "them, but the Veltrix Viewer cannot open them.";

const std::string_view kPrintText =
    "Veltrix prints through the clipboard.  "
    "Click on CLIPBOARD to copy a picture of the graph to the clipboard, then paste it into a "
    "program that prints, such as a word processor or a paint program, and print it from there.\r\n"
    "The picture keeps its size and colors when it is pasted, and in most programs you can "
    "resize it or add your own title or notes around it before printing.";

const std::string_view kClipboardText =
    "Veltrix copies the picture of the graph to the clipboard as a device-independent bitmap "
    "inside a metafile.  "
    "You can paste it into word processors, paint programs and most other programs, and print it "
    "from there.\r\n"
    "\r\n"
    "Windows can also copy pictures for you: Alt+Print Screen copies the active window, and "
    "Print Screen copies the whole screen.\r\n"
    "To copy the commands of the graph instead of its picture, click on EDIT, select the text "
    "and press Ctrl-C.\r\n"
    "\r\n"
    "The picture is copied exactly as it appears on the screen, at its present size, so first "
    "make the window the size that you want.  "
    "A larger window gives a sharper printed picture.  Anything already on the clipboard is "
    "replaced.\r\n"
    "\r\n"
    "OK to copy a picture of the graph to the clipboard?";

const std::string_view kInternetText =
    "You can view graphs on the internet with your web browser.  "
    "When you click on a link to a graph file on a web page, the browser downloads the file and "
    "starts Veltrix with it, and the graph appears in the Veltrix window.  "
    "You can turn it, slice it and edit it as if you had opened it yourself.  "
    "When you exit from Veltrix, you are back in your browser on the same page.\r\n"
    "\r\n"
    "Setup registered the graph file types with Windows and with your browsers, so nothing more "
    "needs to be set up on your computer or on the computers of the people who visit your pages.\r\n"
    "\r\n"
    "To put a graph on your own web page, save it as a VLX file, copy it to your web site, and "
    "link to it like any other file, for example:\r\n"
    "\r\n"
    "     <a href=\"sphere.vlx\">Click here to see a sphere</a>\r\n"
    "\r\n"
    "Binary VLX files are the best choice for web pages: they are smaller and are checked for "
    "damage when they are read.\r\n"
    "\r\n"
    "The web server must send graph files with the right type, or browsers will show them as "
    "text instead of starting Veltrix.  "
    "Ask the administrator of your web server to associate the MIME type "
    "\"application/vnd.veltrix\" with the extensions vlx, zqm and veltrix.  "
    "On most servers this takes one line in the MIME types file, and if you run your own server "
    "you can add it yourself.";

const std::string_view kScrollbarText =
    "Click on what the scrollbar should change, and then click on OK.  "
    "Then move the slider at the right of the Veltrix window to change it.\r\n"
    "\r\n"
    "The variables A to D only change graphs that use them; for an example, OPEN the file "
    "\"Ellipsoids\\Stretching Ellipsoid.vlx\".\r\n"
    "\r\n"
    "To save these values with a graph, OPEN and EDIT the file DEFAULTS.VLX for an example.";

const std::string_view kExitPromptText = "You have edited this file.\r\n\r\nOK to exit without saving it?";
const std::string_view kOpenPromptText =
    "You have edited this file.\r\n\r\nOK to open another file without saving it?";

const std::string_view kColorNeedsGraphText =
    "You can't change the colors until you have a graph displayed on the screen.  "
    "Click on OPEN or EDIT to begin.";
const std::string_view kScrollbarNeedsGraphText =
    "You can't use the scrollbar until you have a graph displayed on the screen.  "
    "Click on OPEN or EDIT to begin.";
const std::string_view kVideoModeRefusalText =
    "Your computer is currently using a 256 color display mode, which isn't enough colors for Veltrix "
    "to do transparency, shading, highlight, or contrast.\r\n"
    "\r\n"
    "To put your computer into a higher color display mode, first exit from Veltrix.  Then click on "
    "Start, then Settings, then Control Panel, then Display, then Settings.  Then change the number of "
    "colors to something more than 256; True Color looks best.";

const std::string_view kScrollbarOffStatus = "Click on Scrollbar above to activate the scrollbar";

}  // namespace vx
