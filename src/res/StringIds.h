// Resource ids of the texts the program shows. The numbers are those of the printer's
// original resources, so that logs and configuration notes stay comparable.
#pragma once

namespace tavolux::ids {

// Tool-bar option buttons and side-bar folders.
inline constexpr int kOriginPrint = 129;  // print from origin
inline constexpr int kColorStrip = 131;   // colour strips
inline constexpr int kCaliTooLong = 132;  // calibration parameters too long to save
inline constexpr int kSkipBlank = 134;    // skip blank
inline constexpr int kAutoFlash = 137;    // automatic flash
inline constexpr int kFolderPrint = 141;  // side-bar folder "print"
inline constexpr int kItemPrint = 142;
inline constexpr int kItemCancel = 143;
inline constexpr int kItemReset = 144;
inline constexpr int kFolderTest = 148;
inline constexpr int kItemHoriTest = 149;
inline constexpr int kItemVerCheck = 150;
inline constexpr int kItemBidiTest = 151;
inline constexpr int kItemStepTest = 152;
inline constexpr int kStateCaption = 156;    // caption of the state view
inline constexpr int kUvStateFailed = 169;   // UV lamp state query failed
inline constexpr int kCaliReadFailed = 170;  // reading the calibration from the printer failed
inline constexpr int kItemPause = 175;
inline constexpr int kItemResume = 176;
inline constexpr int kTaskReady = 187;  // task row states
inline constexpr int kTaskPrinting = 188;
inline constexpr int kTaskSuspended = 189;
inline constexpr int kStateOffline = 192;  // machine state texts
inline constexpr int kStateReady = 193;
inline constexpr int kStateMoving = 194;
inline constexpr int kStateMeasuring = 195;
inline constexpr int kStateFlushing = 196;
inline constexpr int kStateFlash = 197;
inline constexpr int kStatePrinting = 198;
inline constexpr int kStatePaused = 199;
inline constexpr int kFunctionInvalid = 200;   // the gate refused a command
inline constexpr int kAskOverwriteCali = 203;  // restoring the calibration overwrites it
inline constexpr int kJobTooWide = 209;        // the job is wider than the printable range
inline constexpr int kItemNozzleState = 219;
inline constexpr int kItemHeadSkew = 220;
inline constexpr int kItemPlatformLevel = 221;
inline constexpr int kItemAngleTest = 222;
inline constexpr int kBeamRaised = 258;  // front beam states
inline constexpr int kBeamLowered = 259;
inline constexpr int kBeamUnknown = 260;
inline constexpr int kBeamInitial = 261;
inline constexpr int kBeamLowerFirst = 262;
inline constexpr int kFolderBeam = 263;
inline constexpr int kItemBeamRaise = 264;
inline constexpr int kItemBeamLower = 265;
inline constexpr int kItemBeamSettings = 266;
inline constexpr int kRipOpenError = 60400;     // a RIP file cannot be opened
inline constexpr int kRipHeaderError = 60401;   // a RIP file is shorter than its header
inline constexpr int kRipHeaderAbsurd = 60402;  // a RIP header announces impossible sizes
inline constexpr int kMaskWrong = 60403;        // the pass masks do not share every pixel once
inline constexpr int kConfigOpenError = 61447;  // the configuration file is missing

// Task list and preview texts without a resource id of their own, numbered after the RIP ones.
inline constexpr int kPreviewThreadSplit = 60410;  // preview chunk not divisible by the workers
inline constexpr int kLoadTasksError = 60411;      // Tasks.dat is missing records or damaged
inline constexpr int kSaveTasksError = 60412;      // Tasks.dat cannot be written
inline constexpr int kTaskPathTooLong = 60413;     // a path does not fit its Tasks.dat field

// Print command checks.
inline constexpr int kSelectJobFirst = 60420;       // no task selected
inline constexpr int kJobFileMissing = 60421;       // the task's file no longer exists
inline constexpr int kBadCopies = 60422;            // copies below 1
inline constexpr int kBlankAndStrip = 60423;        // blank skipping with colour strips
inline constexpr int kColourCountMismatch = 60424;  // planes differ from the heads' colours
inline constexpr int kMeasureNoReply = 60425;       // media measurement without a reply

// Why a print job failed.
inline constexpr int kJobNoCommands = 60426;           // the printer takes no commands
inline constexpr int kJobNoSync = 60427;               // no answer to the sync request
inline constexpr int kJobPassNotBuilt = 60428;         // a pass could not be built
inline constexpr int kJobStartFeedNotSent = 60429;     // the feed to the start could not be sent
inline constexpr int kJobStartFeedTimeout = 60430;     // the feed to the start did not finish
inline constexpr int kJobSetupNotSent = 60431;         // job set-up or begin-job could not be sent
inline constexpr int kJobRasterNotSent = 60432;        // a pass's raster could not be transferred
inline constexpr int kJobFlashTimeout = 60433;         // the in-print flash did not finish
inline constexpr int kJobStartNotReached = 60434;      // the start position was not reached
inline constexpr int kJobBackFeedNotSent = 60435;      // the backward feed could not be sent
inline constexpr int kJobFirstFeedNotSent = 60436;     // the first feed could not be sent
inline constexpr int kJobSkippedFeedNotSent = 60437;   // skipped passes' feed not sent
inline constexpr int kJobPassTimeout = 60438;          // a pass did not finish in time
inline constexpr int kJobHeaderNotSent = 60439;        // a pass header could not be sent
inline constexpr int kJobLastPassTimeout = 60440;      // the last pass did not finish in time
inline constexpr int kJobNoSyncBetweenCopies = 60441;  // no answer to the sync between copies
inline constexpr int kJobPrinterOffline = 60442;       // the printer dropped off during the job

// Messages of the command-line tool.
inline constexpr int kCliNeedsValue = 60500;        // an option lacks its value
inline constexpr int kCliUnknownCommand = 60501;    // the first word is no command
inline constexpr int kCliUnexpectedWord = 60502;    // a word the command does not take
inline constexpr int kCliMissingWords = 60503;      // the command lacks words it needs
inline constexpr int kCliNoConfigFile = 60504;      // tavolux.ini is missing
inline constexpr int kCliNoPolling = 60505;         // Intercommunication 0: no polling
inline constexpr int kCliNoOperation = 60507;       // send: no such operation
inline constexpr int kCliDataNotHex = 60508;        // send --data: not hex
inline constexpr int kCliDataOddDigits = 60509;     // send --data: odd digit count
inline constexpr int kCliCannotRead = 60510;        // a file cannot be read
inline constexpr int kCliNotRipFile = 60511;        // preview of another format
inline constexpr int kCliNoTask = 60512;            // tasks remove: no such task
inline constexpr int kCliStateLine = 60513;         // monitor: a machine state
inline constexpr int kCliNoticeLine = 60514;        // monitor: a notice of the state line
inline constexpr int kCliPanelPause = 60515;        // monitor: pause key on the panel
inline constexpr int kCliPanelResume = 60516;       // monitor: resume key on the panel
inline constexpr int kCliPanelCancel = 60517;       // monitor: cancel key on the panel
inline constexpr int kCliHeadTemperatures = 60518;  // monitor: head temperature readings
inline constexpr int kCliLampState = 60519;         // monitor: UV lamp state byte
inline constexpr int kCliBeamState = 60520;         // monitor: beam state byte
inline constexpr int kCliHeadVoltages = 60521;      // monitor: head voltage readings
inline constexpr int kCliWritten = 60522;           // preview written
inline constexpr int kCliTaskHeader = 60523;        // tasks list header, tab-separated
inline constexpr int kCliReplyLine = 60524;         // monitor: a reply's bytes in hex
inline constexpr int kCliUnknownPrinter = 60525;    // --printer names no printer
inline constexpr int kCliNoInterface = 60526;       // OutputInterface is no printer interface
inline constexpr int kCliConfigIncomplete = 60527;  // the configuration loaded in part only
inline constexpr int kCliBadValue = 60528;          // an option's value is not valid: option, value
inline constexpr int kCliFileOrTask = 60529;        // print: FILE and --task together
inline constexpr int kCliTaskKeepsSettings = 60530;  // print --task with options of a file
inline constexpr int kCliMaskModeRange = 60531;      // --mask-mode outside 0 to 2
inline constexpr int kCliPassesRange = 60532;        // --passes below 1
inline constexpr int kCliMediaOutVirtual = 60533;    // --media-out without the in-process printer
inline constexpr int kCliNoPrintWithoutReplies = 60534;  // print with Intercommunication 0
inline constexpr int kCliVirtualHeads =
    60535;  // the in-process printer cannot print with the heads
inline constexpr int kCliSheetWritten = 60536;     // the sheet's picture and summary: paths
inline constexpr int kCliSheetNotWritten = 60537;  // the sheet could not be written
inline constexpr int kCliPrinted = 60538;          // a print ended: copies done, copies asked
inline constexpr int kCliStopped = 60539;          // a print was stopped
inline constexpr int kCliFailed = 60540;           // a print failed
inline constexpr int kCliCannotWrite = 60541;      // a file cannot be written
inline constexpr int kCliConfigNotLoaded = 60542;  // the configuration cannot be loaded
inline constexpr int kCliNoKey = 60543;            // config get: key, section
inline constexpr int kCliSetRefused = 60544;       // config set: a line break or a key with =
inline constexpr int kCliSaveFailed = 60545;       // config save failed: the function
inline constexpr int kCliRipMakeLimits = 60546;    // rip make: sizes missing or too large
inline constexpr int kCliUnknownPattern = 60547;   // rip make: no such pattern
inline constexpr int kCliRipWritten = 60548;  // rip make wrote a file: path, width, height, planes
inline constexpr int kCliPassesNotSetUp = 60549;  // passes: the pass generator refused the job
inline constexpr int kCliPassNotBuilt = 60550;    // passes: a pass could not be built: its number
// The printer connection and the virtual printer program.
inline constexpr int kNoUsbDevice = 60700;         // no USB printer found
inline constexpr int kUsbAccess = 60701;           // the USB printer may not be opened
inline constexpr int kUsbBusy = 60702;             // another program holds the USB printer
inline constexpr int kUsbOpenFailed = 60703;       // the USB printer could not be opened
inline constexpr int kSocketMissing = 60704;       // no socket at the path
inline constexpr int kSocketRefused = 60705;       // nobody listens on the socket
inline constexpr int kSocketTimeout = 60706;       // the socket's printer does not answer
inline constexpr int kSocketBusy = 60707;          // the virtual printer serves too many programs
inline constexpr int kSocketAccess = 60708;        // the socket may not be used
inline constexpr int kSocketFailed = 60709;        // the socket could not be opened
inline constexpr int kPrinterGivenUp = 60710;      // Ctrl+C: the printer did not stop in time
inline constexpr int kTransportFailure = 60711;    // a transport failure, as a word
inline constexpr int kVpListening = 60720;         // the virtual printer program listens
inline constexpr int kVpInstant = 60721;           // it answers at once
inline constexpr int kVpSheetsTo = 60722;          // where its sheets go
inline constexpr int kVpPathInUse = 60723;         // a live server holds the socket path
inline constexpr int kVpNotASocket = 60724;        // something else is at the socket path
inline constexpr int kVpPathTooLong = 60725;       // the socket path is too long
inline constexpr int kVpNoDirectory = 60726;       // the socket's folder is missing
inline constexpr int kVpAccess = 60727;            // the socket's folder may not be written
inline constexpr int kVpSystem = 60728;            // the system refused the socket
inline constexpr int kVpNoConfig = 60729;          // --media-out without a configuration
inline constexpr int kVpConfigUnreadable = 60730;  // the configuration cannot be read
inline constexpr int kVpHeadsUnusable = 60731;     // the configured heads cannot print on a sheet
inline constexpr int kVpNoPrinter = 60732;         // --control finds no virtual printer
inline constexpr int kVpBadOption = 60733;         // a word the program does not know
inline constexpr int kVpNoSocket = 60734;          // no --socket PATH given
// Header checks, print type and file checks, the print command's progress and resume hint.
inline constexpr int kRipHeaderField =
    60620;  // a RIP header field outside its range: field, value, low, high
inline constexpr int kRipLineTooWide =
    60621;  // a RIP line does not fit the transfer buffer: bytes per plane line
inline constexpr int kRipNoMemory = 60622;  // the reader's buffers cannot be allocated
inline constexpr int kPrintTypeUnknown =
    60623;  // a print type that does not exist: the number given
inline constexpr int kResolutionDiffers =
    60624;  // file and print type resolutions differ: file, print type
inline constexpr int kFileIncomplete =
    60625;  // a RIP file holds fewer lines than announced: missing, announced
inline constexpr int kPrintAnywayHint = 60626;  // how to print despite a warning: the option
inline constexpr int kPrintStoppedAt =
    60627;  // a print of a file stopped: the line where the rest starts
inline constexpr int kProgressPass = 60628;     // the progress line's pass counter: printed, total
inline constexpr int kProgressSkipped = 60629;  // the progress line: blank passes skipped
inline constexpr int kProgressRemaining = 60630;  // the progress line: remaining time
inline constexpr int kFromLineBeyond = 60631;  // a start line beyond the image: line, image lines
// Storing the configuration and the task list.
inline constexpr int kConfigTooLarge = 60470;  // tavolux.ini is larger than any configuration
inline constexpr int kFileBusy = 60471;        // another program holds a file's lock too long
inline constexpr int kNotRegularFile = 60472;  // a FIFO, folder or device where a file belongs
inline constexpr int kSaveRefusedNotLoaded = 60473;  // a save after a load that failed
inline constexpr int kValueNotInList = 60474;        // a key's value is no index of its list
inline constexpr int kPrintTypeUnusable = 60475;     // the print type's entry cannot be used
inline constexpr int kConfigNotRead = 60476;         // the file could not be read at all

// Why a file could not be written, read or locked.
inline constexpr int kFileCannotWrite = 60477;       // a file cannot be written
inline constexpr int kFileCannotReplace = 60478;     // the new file cannot take the old one's place
inline constexpr int kFileCannotCreateTemp = 60479;  // no temporary file in a folder
inline constexpr int kFileCannotSync = 60480;        // a file cannot be flushed to the disk
inline constexpr int kFileCannotClose = 60481;       // a file cannot be closed
inline constexpr int kFileCannotOpenLock = 60482;    // a lock file cannot be opened
inline constexpr int kFileCannotLock = 60483;        // a lock file cannot be locked
inline constexpr int kFileLockHeld = 60484;          // another program holds a lock file
inline constexpr int kSystemErrorSuffix =
    60485;  // the system's reason: errno number (Chinese), text (English)
inline constexpr int kPngEmptyImage = 60486;    // a picture without pixels
inline constexpr int kPngCannotEncode = 60487;  // the PNG encoder failed
inline constexpr int kFileCannotRead = 60488;   // a file cannot be read
inline constexpr int kIniNotOpen = 60489;  // a write to a configuration file that was never opened
inline constexpr int kIniValuesRefused =
    60490;  // values refused by the configuration file: count, path

// Lines of the device layer's log, and the words of its transport errors.
inline constexpr int kDiagUsbNoStart = 60740;         // the USB library does not start
inline constexpr int kDiagNoCaliBlock = 60741;        // no calibration block to store
inline constexpr int kDiagBlockRefused = 60742;       // a data block too long: bytes
inline constexpr int kDiagFireDivisorZero = 60743;    // job set-up with fire divisor 0
inline constexpr int kDiagCaliUnclaimed = 60744;      // a calibration block nobody asked for
inline constexpr int kDiagUnknownReply = 60745;       // an unknown reply: code, bytes
inline constexpr int kDiagPollNotEnded = 60746;       // the poll thread outlives its stop: ms
inline constexpr int kDiagNotOpened = 60747;          // the printer is not opened: transport error
inline constexpr int kDiagNoBulkEndpoints = 60748;    // no bulk endpoints both ways
inline constexpr int kDiagMissingEndpoint = 60749;    // one of the four bulk endpoints is missing
inline constexpr int kDiagTransferException = 60750;  // the USB library threw: bytes counted
inline constexpr int kDiagReplyOverflow = 60751;      // a reply longer than its buffer: bytes
inline constexpr int kDiagTransferFailed = 60752;  // a transfer failed: endpoint, transport error
inline constexpr int kDiagShortWrite = 60753;  // a write moved fewer bytes: endpoint, moved, asked
inline constexpr int kDiagNoTemperature = 60754;    // Temperature lacks an entry: index
inline constexpr int kDiagMediaNotSaved = 60755;    // a measured media not saved: the reason
inline constexpr int kDiagReplyTooShort = 60756;    // a reply shorter than its kind: code, bytes
inline constexpr int kDiagReadingsTooLong = 60757;  // a readings reply too long: code, bytes
inline constexpr int kDiagNoVoltage = 60758;        // a head without a usable voltage entry: head
inline constexpr int kTransportOk = 60760;  // transport error words, in the order of TransportError
inline constexpr int kTransportNoDevice = 60761;
inline constexpr int kTransportNotOpen = 60762;
inline constexpr int kTransportAccess = 60763;
inline constexpr int kTransportTimeout = 60764;
inline constexpr int kTransportPipe = 60765;
inline constexpr int kTransportBusy = 60766;
inline constexpr int kTransportOverflow = 60767;
inline constexpr int kTransportIo = 60768;
inline constexpr int kTransportInterrupted = 60769;
// Values a configuration key refuses, and keys this version does not read.
inline constexpr int kConfigValueOutOfRange = 60820;  // key, value, least, greatest
inline constexpr int kConfigValueNotNumber = 60821;   // key, value
inline constexpr int kConfigValueNotUsbId = 60822;    // key, value
inline constexpr int kCliUnknownKeyNote = 60823;      // key, section

// Why a job's passes cannot be generated, and the job's own log lines.
inline constexpr int kPassHeadsCannotPrint = 60840;        // the head arrangement cannot print
inline constexpr int kPassResolutionNotPositive = 60841;   // a resolution is not positive
inline constexpr int kPassPulseNotPositive = 60842;        // a pulse size is not positive
inline constexpr int kPassCountBelowOne = 60843;           // a pass count below 1
inline constexpr int kPassResolutionBelowPrinter = 60844;  // the job's Y below the printer's
inline constexpr int kPassTooManyForMasks = 60845;         // more passes than pass masks exist
inline constexpr int kPassNoStepTable = 60846;             // more passes than head lines
inline constexpr int kPassHeadsTooFarApart = 60847;        // the head positions lie too far apart
inline constexpr int kPassImageTooWide = 60848;        // a pass does not fit the transfer buffer
inline constexpr int kDiagSnapshotNotWritten = 60849;  // a pass snapshot not written: the reason

// Menus, tool bar and side bar of the main window.
inline constexpr int kMenuFile = 60900;
inline constexpr int kMenuView = 60901;
inline constexpr int kMenuPrint = 60902;
inline constexpr int kMenuTest = 60903;
inline constexpr int kMenuClean = 60904;
inline constexpr int kMenuSystem = 60905;
inline constexpr int kMenuLanguage = 60906;
inline constexpr int kCmdOpen = 60907;
inline constexpr int kCmdSaveTasks = 60908;
inline constexpr int kCmdUvLamp = 60909;
inline constexpr int kCmdWhiteHead = 60910;
inline constexpr int kCmdSystemSettings = 60911;
inline constexpr int kCmdExit = 60912;
inline constexpr int kCmdToolBar = 60913;
inline constexpr int kCmdSideBar = 60914;
inline constexpr int kCmdStatusBar = 60915;
inline constexpr int kCmdPreviewAuto = 60916;
inline constexpr int kCmdPreviewSource = 60917;
inline constexpr int kCmdPreviewSketch = 60918;
inline constexpr int kCmdPreviewRough = 60919;
inline constexpr int kCmdVerticalTest = 60920;
inline constexpr int kCmdHeadSlant = 60921;
inline constexpr int kCmdExportCali = 60922;
inline constexpr int kCmdImportCali = 60923;
inline constexpr int kCmdStoreCali = 60924;
inline constexpr int kCmdRestoreCali = 60925;
inline constexpr int kCmdFlashReturn = 60926;
inline constexpr int kCmdSingleClean = 60927;
inline constexpr int kCmdLogin = 60928;
inline constexpr int kCmdVoltage = 60929;
inline constexpr int kCmdChinese = 60930;
inline constexpr int kCmdEnglish = 60931;
inline constexpr int kCmdHelp = 60932;
inline constexpr int kCmdAbout = 60933;
inline constexpr int kCmdJogUp = 60934;
inline constexpr int kCmdJogDown = 60935;
inline constexpr int kCmdJogLeft = 60936;
inline constexpr int kCmdJogRight = 60937;
inline constexpr int kCmdUnassigned = 60938;
inline constexpr int kSideBidirectional = 60939;
inline constexpr int kSideAngle = 60940;
// The dialog layer's messages and the cleaning dialog.
inline constexpr int kDialogWholeNumberRange =
    61000;                                        // a field takes a whole number: least, greatest
inline constexpr int kDialogNumberRange = 61001;  // a field takes a number: least, greatest
inline constexpr int kPurgeTitle = 61002;         // the cleaning dialog's title
inline constexpr int kPurgeLong = 61003;          // long cleaning
inline constexpr int kPurgeShort = 61004;         // short cleaning
inline constexpr int kPurgeReturn = 61005;        // ends the cleaning
inline constexpr int kPurgePleaseWait = 61006;    // the cleaning cannot end yet
inline constexpr int kCleanAckMissing = 61007;    // no acknowledgement of cleaning: seconds waited
inline constexpr int kCleanNotSent = 61008;       // the cleaning command could not be sent
inline constexpr int kCleanWaiting = 61009;       // waiting for the printer to acknowledge cleaning

// The main frame's messages.
inline constexpr int kNotAvailableYet =
    61050;  // a command whose function this version does not have yet
inline constexpr int kNoPrinterSession = 61051;   // a printer command without a printer
inline constexpr int kLanguageBusy = 61052;       // the language cannot change during an operation
inline constexpr int kCloseBusy = 61053;          // the program cannot close during an operation
inline constexpr int kCloseDialogOpen = 61054;    // a dialog is still open
inline constexpr int kOptionNotSaved = 61055;     // an option button could not be saved: the reason
inline constexpr int kLanguageNotSaved = 61056;   // the language could not be saved: the reason
inline constexpr int kLanguageNotListed = 61057;  // a language missing from LanguageList: its name
inline constexpr int kCaliStored = 61058;         // the calibration was saved in the printer
inline constexpr int kCaliNotStored = 61059;  // the calibration could not be saved in the printer
inline constexpr int kCaliRestored = 61060;   // the calibration was read back from the printer
inline constexpr int kCaliNoAnswer =
    61061;  // the printer did not send its calibration: seconds waited
inline constexpr int kCaliUnreadable = 61062;    // the printer's calibration could not be read
inline constexpr int kCaliNotRequested = 61063;  // the calibration request could not be sent
inline constexpr int kAboutVersion = 61064;      // the about box: product and version
// The desktop program's own messages.
inline constexpr int kUiTaskList = 61100;           // the task list's title
inline constexpr int kUiUsage = 61101;              // a start option it does not take: the word
inline constexpr int kUiOtherNotAnswering = 61102;  // another instance holds the lock, no answer
inline constexpr int kUiInstanceFailed = 61103;     // the single-instance check failed: reason
inline constexpr int kUiCloseBusy = 61104;          // closing refused while the printer works
inline constexpr int kUiNoConfig = 61105;           // no configuration in the folder: folder
inline constexpr int kUiOpenFailed = 61106;         // the printer did not open: reason
inline constexpr int kUiPreview = 61107;            // the preview's title
inline constexpr int kUiHelpNotOpened = 61150;      // the browser did not open the manual: file
inline constexpr int kUiRestartFailed = 61151;      // the program did not start again: file
// Opening a RIP file and its preview.
inline constexpr int kUiOpenRipTitle = 61330;     // the open dialog's title
inline constexpr int kUiRipFilesFilter = 61331;   // the open dialog's filter name for RIP files
inline constexpr int kUiAllFilesFilter = 61332;   // the open dialog's filter name for any file
inline constexpr int kUiPreviewBusy = 61333;      // a second open while a preview is built
inline constexpr int kUiNotRipFile = 61334;       // a chosen file is not a RIP file: file
inline constexpr int kUiTaskFileGone = 61335;     // the selected task's file is gone: file
inline constexpr int kUiPreviewBuilding = 61336;  // the status bar while a preview is built
// The side bar, the about box, the dialogs' frame and the program folder.
inline constexpr int kUiAboutLine = 61360;   // the about box: what the program is
inline constexpr int kUiOk = 61361;          // the button that closes a notice
inline constexpr int kUiAboutTitle = 61362;  // the about box's title
inline constexpr int kUserConfigNotSeeded =
    61363;  // the user's configuration not made: folder, reason

// The task list window.
inline constexpr int kTaskMenuPrint = 61300;      // the row's menu: print the task
inline constexpr int kTaskMenuDelete = 61301;     // delete the task
inline constexpr int kTaskMenuDeleteAll = 61302;  // delete every task
inline constexpr int kTaskMenuSaveAll = 61303;    // save every task
inline constexpr int kTaskMenuCopies = 61304;     // change the copies
inline constexpr int kTaskAskDelete = 61305;      // confirm deleting a task: its name
inline constexpr int kTaskAskDeleteAll = 61306;   // confirm deleting every task: how many
inline constexpr int kTaskCopiesRange = 61307;    // copies typed that are not 1..9999: the text
inline constexpr int kTaskBusyPrinting = 61308;   // the list cannot change while a task prints

// Test charts.
inline constexpr int kChartGlyphMissing = 61200;  // a glyph file of the charts is missing: path
inline constexpr int kChartGlyphShort = 61201;    // a glyph file of the charts is too short: path
inline constexpr int kChartUnknownIndex =
    61202;  // no chart of that index for the runner: index, runner
inline constexpr int kChartCannotLayOut = 61203;  // the settings cannot lay out a chart
inline constexpr int kChartStopped = 61204;       // a chart was stopped
inline constexpr int kChartFailed = 61205;        // a chart was not printed
inline constexpr int kCliChartUnknown = 61206;    // no chart of that name: name
inline constexpr int kCliChartPrinted = 61207;    // a chart was printed: name
inline constexpr int kCliChartListHead = 61208;   // the heading of the chart list
inline constexpr int kCliChartDryPass =
    61209;  // one pass of a dry run: pass, rows fed, steps, rows per channel
inline constexpr int kCliChartPassMode =
    61210;  // the pass mode is outside the pass list: highest index
// Head slant check.
inline constexpr int kCliChartSlantRepeat =
    61250;  // the dry run's note of the chart printed per slant parameter: values, rows, steps

}  // namespace tavolux::ids
