#pragma once

#include <QObject>

namespace Texts {
Q_NAMESPACE

// Every text of the string table by name. The German text is stored under the id, the English one under
// id + 10000. A test checks each name against the table (both languages present, no id named twice).
enum class TextId : int {
    // Command catalogue: ranges, read row by row until the first id without text.
    CatalogueCommands0 = 1000,
    CatalogueQueries0 = 1200,
    CatalogueCommands1 = 2000,
    CatalogueQueries1 = 2200,

    // Main window captions
    WindowCaption = 3000,
    TabSettings = 3001,
    TabCommandLine = 3002,
    TabScriptEditor = 3003,
    TabQuickDial = 3004,
    FrameDeviceType = 3005,
    DeviceType0 = 3006,
    DeviceType1 = 3007,
    FrameTarget = 3008,
    PortLabel = 3009,
    PcNameLabel = 3010,
    ThisSystemButton = 3011,
    ConnectBox = 3012,
    FrameLanguage = 3013,
    FrameSend = 3014,
    CommandAssistantButton = 3015,
    SendButton = 3016,
    FrameReceive = 3017,
    DeleteListButton = 3018,
    InfoSettings = 3019,
    InfoCommandLine = 3020,
    FrameEditScript = 3021,
    CreateWithAssistantButton = 3022,
    CreateManuallyButton = 3023,
    CommandsLabel = 3024,
    InsertAboveBox = 3025,
    DeleteCommandButton = 3026,
    Caption = 3027,
    Description = 3028,
    TestScriptButton = 3029,
    StoreButton = 3030,
    FetchButton = 3031,
    DeleteSlotButton = 3032,
    FrameSlotChoice = 3033,
    InfoScriptEditor = 3034,
    FrameQuickDial = 3035,
    LoadConfigButton = 3036,
    SaveConfigButton = 3037,
    InfoQuickDial = 3038,
    CancelRunButton = 3039,
    QuitButton = 3040,
    LanguageGerman = 3041,
    LanguageEnglish = 3042,
    RunCompleted = 3043,
    CommandColumn = 3044,
    DescriptionColumn = 3045,
    TimeColumn = 3046,
    ModeColumn = 3047,
    ParameterColumn = 3048,
    ProgramVersion = 3049,
    ProgramDate = 3050,
    FrameVersion = 3051,

    // Messages and connection states
    DeleteSlotQuestion = 3100,
    DeleteSlotTitle = 3101,
    EmptySlot = 3102,
    StateCaption = 3103,
    StateClosed = 3104, // the ten state texts, in the order of the state numbers
    StateOpen = 3105,
    StateListening = 3106,
    StatePending = 3107,
    StateResolving = 3108,
    StateResolved = 3109,
    StateConnecting = 3110,
    StateConnected = 3111,
    StatePeerClosing = 3112,
    StateFailed = 3113,
    EnterCommandPrompt = 3114,
    EnterCommandTitle = 3115,
    LoadConfigTitle = 3116,
    ConfigFileFilter = 3117,
    NoCommandText = 3118,
    NoCommandTitle = 3119,
    NoDescriptionText = 3120,
    NoDescriptionTitle = 3121,
    NoCaptionText = 3122,
    NoCaptionTitle = 3123,
    SaveConfigTitle = 3124,
    SaveConfigFileName = 3125,

    // Messages of our own
    NotSentNoConnection = 3126,
    NotSentSocket = 3127,
    NotSentNotEncodable = 3128,
    SeparatorInScript = 3129,
    InvalidCharacterTitle = 3130,
    RunStoppedNotSent = 3131,
    SaveConfigFailed = 3132,
    SaveFailedTitle = 3133,
    HelpTitle = 3134,
    LoadConfigFailed = 3135,
    LoadFailedTitle = 3136,
    FileUnreadable = 3137,
    SlotNotEncodable = 3138,
    ScriptNotEncodable = 3139,
    UnstorableCharacter = 3140,
    NotAConfigFile = 3141,

    // Command assistant
    AssistantCaption = 3200,
    AssistantCommandLabel = 3201,
    AssistantDescriptionLabel = 3202,
    AssistantNext = 3203,
    AssistantCancel = 3204,
    AssistantAccept = 3205,
    AssistantSelectFile = 3206,
    AssistantFileFilter = 3207,
    AssistantNote = 3208,
    ParameterMissing = 3209,
    ParameterErrorTitle = 3210,
    ParameterRange = 3211,
    ParameterTextLength = 3212,
    ParameterPathLength = 3213,

    // Script viewer
    ViewerCaption = 3400,
    ViewerQuit = 3401,

    // Command scripts: how a run ended, its progress, and the settings that check replies
    RunCompletedCount = 3550,
    RunCompletedOne = 3551,
    RunCancelledAfter = 3552,
    RunConnectionLost = 3553,
    RunTimedOut = 3554,
    RunErrorReply = 3555,
    RunWaitingFor = 3556,
    ReplyTimeoutLabel = 3557,
    ReplyTimeoutNone = 3558,
    ReplyTimeoutTip = 3559,
    ErrorTextLabel = 3560,
    ErrorTextTip = 3561,
};
Q_ENUM_NS(TextId)

} // namespace Texts

using Texts::TextId;

// Ids of a range, such as the ten connection states or the rows of the catalogue.
constexpr TextId operator+(TextId base, int offset) {
    return static_cast<TextId>(static_cast<int>(base) + offset);
}
