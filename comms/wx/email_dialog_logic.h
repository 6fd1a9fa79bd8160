#pragma once

#include <string>

#include "model/person.h"

class EmailJob;
class EmailServerSettings;
class Event;
class MultiDaySchedule;

// Whose text of a kind an e-mail text dialog edits.
enum EmailRecipientRole { EmailToParent = 0, EmailToPupil = 1, EmailToTeacher = 2 };

// What the login dialog's name field holds; other values label nothing and check nothing.
enum LoginNameKind { LoginUserName = 0, LoginEmail = 1 };

// The checks and texts of the e-mail and update windows, kept apart from the controls so that
// they are tested without a display. A check returns "" when it passes, else its message.
namespace EmailDialogLogic {

std::string LoginNameLabel(int nameKind);
std::string CheckLoginName(int nameKind, const std::string& name);
// "Login to server "NAME":"
std::string LoginPrompt(const std::string& server);

// The from address first, then the port as atoi reads it; a port left as shown is the stored
// one and is not checked.
std::string CheckServerFields(const std::string& fromAddress, const std::string& portText,
                              const std::string& shownPort);

// The description of the text and the placeholder words it may hold.
std::string EmailTextHelp(EmailTextKind kind, EmailRecipientRole role);

std::string ProgressText(int sent, int total);

// The refusals shared by the e-mail commands, in their order: server, from address and, when
// the kind needs one, the event's web link.
std::string CheckEmailSettings(const EmailServerSettings& server, const Event& event,
                               EmailTextKind kind, bool checkLink, const std::string& website);
std::string RunQuestion(EmailTextKind kind);
std::string PersonQuestion(const std::string& name);
// Why the person gets nothing, day by day; the date only when the event has several days.
std::string NoEmailsDueText(const EmailJob& job, Person* person, const MultiDaySchedule& days);

// The update windows' status lines; false leaves the label as it is.
bool CheckStatusText(int state, int bodyLines, const std::string& resultLine, std::string* text);
bool DownloadStatusText(int state, const std::string& url, long received, long length,
                        std::string* text);
// Percent of the announced length, truncated and never above 100; 0 when none was announced.
int DownloadGaugeValue(long received, long length);

}  // namespace EmailDialogLogic
