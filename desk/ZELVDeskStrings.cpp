#include "ZELVDeskStrings.h"

#include <QHash>

namespace {

const QHash<int, QString>& Table() {
    static const QHash<int, QString> table = {
        {254, QStringLiteral("Kelmar Lite™")},
        {255, QStringLiteral("Customer Change Warning")},
        {256, QStringLiteral("If you go back you will lose your current selections, is this OK?")},
        {257, QStringLiteral("Exit Warning")},
        {259, QStringLiteral("You have unprocessed Volumes. Are you sure you want to exit?")},

        // Page header titles.
        {231, QStringLiteral("Send Volumes")},
        {243, QStringLiteral("Send Location")},
        {249, QStringLiteral("Scan to list Volumes")},
        {297, QStringLiteral("Authorized Users")},
        {298, QStringLiteral("Customer Selection")},
        {299, QStringLiteral("Required Date Selection")},
        {300, QStringLiteral("Upload and Download Critical Files")},
        {302, QStringLiteral("Manage Media Library")},
        {303, QStringLiteral("Media Type Selection")},
        {305, QStringLiteral("Receive Repository Selection")},
        {306, QStringLiteral("Receive Volumes")},
        {307, QStringLiteral("Delivery Location Selection")},
        {308, QStringLiteral("Scan and Modify")},
        {310, QStringLiteral("Volume Selection")},
        {328, QStringLiteral("Update Container Details")},
        {329, QStringLiteral("Extended Attributes")},
        {365, QStringLiteral("Container Selection")},

        // Page header subtitles: the prompts.
        {229, QStringLiteral("Please select the location that you wish to send media from.")},
        {240, QStringLiteral(
                  "Please select the Volumes you wish to Scan-Out by scanning them in the scan "
                  "windows (F10) or by selecting them and hitting the space bar.")},
        {246,
         QStringLiteral("Please select the Repository where you would like your media delivered.")},
        {248,
         QStringLiteral("Please scan the Volumes and Containers you wish to send, then check their "
                        "target, next move date and description.")},
        {261, QStringLiteral(
                  "Please select the User that you wish to manage and right hand click to see "
                  "your available options.")},
        {262,
         QStringLiteral("Please selected the Customer that you wish to work with by either double "
                        "clicking on the Customer or selecting the Customer and clicking the next "
                        "button.")},
        {263, QStringLiteral("Please select the date and time you require your Media.")},
        {264, QStringLiteral("You can use this page to upload and download critical files.")},
        {266,
         QStringLiteral("You can now manage your movement date and description by clicking the "
                        "field and modifying its value.")},
        {267,
         QStringLiteral("Please select the Media Type that you wish to work with by either double "
                        "clicking on the Media Type or selecting the Media Type and clicking the "
                        "next button.")},
        {269,
         QStringLiteral("Please select the Repository where you wish to to Scan-In your media.")},
        {270, QStringLiteral(
                  "Please select the Volumes you wish to Scan-In by scanning them in the scan "
                  "window (F10) or by selecting them and hitting the space bar.")},
        {272,
         QStringLiteral("Scan Volumes to list their details. You can then select each Volumes (or "
                        "groups of Volumes) and right hand click to perform operations.")},
        {273,
         QStringLiteral("Please select the Volumes you would like retrieved by double clicking on "
                        "them. You can select the back button to change Media Type.")},
        {327,
         QStringLiteral("Please update the movement date and description of for these Containers "
                        "before they are moved.")},
        {357,
         QStringLiteral("Please select any Containers that you wish to use when Scanning-Out.")},
        {370,
         QStringLiteral("Some of the Volumes you have selected have Extended Attributes. If you "
                        "wish, you can now edit these values.")},

        // Task descriptions of the menu.
        {212, QStringLiteral("Import from Microsoft Excel")},
        {311, QStringLiteral(
                  "This option allows you to ask Kelmar support for assistance by email or on "
                  "the support web site.")},
        {313,
         QStringLiteral("This option will open your web browser and take you to the Kelmar Lite "
                        "documentation.")},
        {315, QStringLiteral(
                  "This option allows you to select tape volumes to be returned from off-site.")},
        {316, QStringLiteral(
                  "This option allows you to scan tape volumes that are to be sent and change "
                  "their target, next move date and description.")},
        {318,
         QStringLiteral("This option allows you to scan incoming tape volumes so that they can be "
                        "confirmed in the Kelmar database.")},
        {320,
         QStringLiteral("This option allows you to scan outgoing tape volumes so that they are "
                        "flagged as Scanned-Out in the Kelmar database.")},
        {323,
         QStringLiteral("This option allows you to see all of your tape volumes and change their "
                        "movement date and description.")},
        {326,
         QStringLiteral("This option allows you to add, delete and change the password of other "
                        "users in your Kelmar user group.")},
        {330, QStringLiteral("This option allows you to reset your own Kelmar user password.")},
        {331, QStringLiteral("This option allows you to manage a Library.")},
        {332, QStringLiteral("This option allows you to display and manage a Pick List.")},
        {339,
         QStringLiteral("This option allows you to upload and download files to/from your Kelmar "
                        "Server.")},
        {345,
         QStringLiteral("This option allows you to build a list of tape volumes using a barcode "
                        "scanner. This list can then be used to perform operations such as adding "
                        "and moving.")},
        {354,
         QStringLiteral("This option allows you to execute a command or script that is defined in "
                        "the ZELVDesk.cfg configuration file.")},
        {379, QStringLiteral("Reconcile")},
        {692, QStringLiteral("This option allows you to manage a SCSI attached Media Changer.")},
    };
    return table;
}

} // namespace

QString ZELVDeskString(int id) {
    return Table().value(id);
}
