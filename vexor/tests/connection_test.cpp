// The GRBL connection of the window: the serial link over Qt Serial Port,
// run against a pseudo-terminal, and the connection dialog.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "connection_dialog.h"
#include "grbl_links.h"
#include "qt_serial_link.h"

namespace {

using vexor::QtSerialLink;

// Runs the event loop until `link` has delivered `expected` bytes in all.
std::string read_until(vexor::grbl::SerialLink& link, std::size_t expected) {
    std::string got;
    (void)QTest::qWaitFor(
        [&] {
            got += link.read_available();
            return got.size() >= expected;
        },
        2000);
    return got;
}

TEST(QtSerialLink, ExchangesBytesBothWaysUntilTheDeviceGoes) {
    std::string path;
    auto pty = vexor::grbl::testing::pty_pair(&path);
    std::unique_ptr<vexor::grbl::testing::FdLink>& master = pty.first;
    std::unique_ptr<vexor::grbl::testing::FdLink>& slave = pty.second;
    ASSERT_TRUE(master && slave) << "no pseudo-terminal";
    QtSerialLink link;
    std::string error;
    ASSERT_TRUE(link.open(path, 115200, error)) << error;
    slave.reset();  // only the link reads the device side
    EXPECT_TRUE(link.is_open());
    QtSerialLink second;
    EXPECT_FALSE(second.open(path, 115200, error));
    EXPECT_EQ(error, "Impossible d'ouvrir le port « " + path +
                         " » : déjà utilisé par un autre programme.");

    ASSERT_TRUE(master->write("Grbl 1.1h ['$' for help]\r\n"));
    EXPECT_EQ(read_until(link, 26), "Grbl 1.1h ['$' for help]\r\n");
    const std::string program(3000, 'G');  // more than one write of the driver
    EXPECT_TRUE(link.write("$$\n"));
    EXPECT_TRUE(link.write(program));
    std::string sent;
    (void)QTest::qWaitFor(
        [&] {
            sent += master->read_available();
            return sent.size() >= 3003;
        },
        2000);
    EXPECT_EQ(sent, "$$\n" + program);

    // The controller unplugged after its last words, before the window took
    // them: they are still delivered, then the link closes by itself and
    // stays closed.
    ASSERT_TRUE(master->write("ALARM:1\r\n"));
    QTest::qWait(50);  // Qt reads them into its buffer
    master.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !link.is_open(); }, 2000));
    EXPECT_EQ(link.read_available(), "ALARM:1\r\n");
    EXPECT_FALSE(link.write("?"));
    EXPECT_FALSE(link.is_open());
    EXPECT_EQ(link.read_available(), "");
}

TEST(QtSerialLink, ARefusedDeviceIsNamedWithTheReason) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("vexor_serial_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string plain = (folder / "fichier").string();
    const std::string locked = (folder / "ttyUSB9").string();
    std::ofstream(plain) << "x";
    std::ofstream(locked) << "x";
    ::chmod(locked.c_str(), 0);
    struct Case {
        std::string device;
        std::string message;
        bool needs_user;  // root opens a file whatever its permissions
    };
    const Case cases[] = {
        {(folder / "absent").string(),
         "Impossible d'ouvrir le port « " + (folder / "absent").string() + " » : introuvable.",
         false},
        {plain, "« " + plain + " » n'est pas un port série.", false},
        {locked,
         "Impossible d'ouvrir le port « " + locked +
             " » : permission refusée (ajoutez l'utilisateur au groupe dialout, puis ouvrez une "
             "nouvelle session).",
         true},
    };
    for (const Case& c : cases) {
        if (c.needs_user && ::geteuid() == 0) {
            std::cout << "[ SKIPPED  ] " << c.device
                      << ": run as root, the permission is granted\n";
            continue;
        }
        QtSerialLink link;
        std::string error;
        EXPECT_FALSE(link.open(c.device, 115200, error)) << c.device;
        EXPECT_EQ(error, c.message);
        EXPECT_FALSE(link.is_open());
        EXPECT_FALSE(link.write("?"));
    }
    std::filesystem::remove_all(folder);
}

class ConnectionDialogTest : public ::testing::Test {
  protected:
    std::unique_ptr<vexor::CConnectionDlg> open(const vexor::MachineSettings& s,
                                                std::vector<vexor::SerialPortChoice> ports) {
        auto dialog = std::make_unique<vexor::CConnectionDlg>(
            s, [this](const QString&, const QString& text) { messages.push_back(text); },
            std::move(ports));
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    template <class T>
    static T* child(QDialog& d, const char* name) {
        T* w = d.findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void press(QDialog& d, QDialogButtonBox::StandardButton which) {
        QTest::mouseClick(child<QDialogButtonBox>(d, "buttons")->button(which), Qt::LeftButton);
    }
    // A click on the button's circle (its box spans the dialog, past its text).
    static void choose(QRadioButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
    }
    std::vector<QString> messages;
};

TEST_F(ConnectionDialogTest, GrblTakesTheChosenDeviceAndSpeed) {
    vexor::MachineSettings s;
    s.Lpt = 2;
    s.Device = "/dev/ttyUSB3";  // stored, not plugged in
    auto d = open(s, {{"/dev/ttyACM0", "Arduino Uno", "Arduino (www.arduino.cc)"},
                      {"/dev/ttyUSB0", "", "1a86"}});
    EXPECT_EQ(d->windowTitle(), "Connexion à la machine");
    EXPECT_EQ(d->objectName(), "CConnectionDlg");
    EXPECT_EQ(child<QDialogButtonBox>(*d, "buttons")->button(QDialogButtonBox::Cancel)->text(),
              "Annuler");
    auto* parallel = child<QRadioButton>(*d, "backendParallel");
    auto* grbl = child<QRadioButton>(*d, "backendGrbl");
    auto* lpt = child<QComboBox>(*d, "lptChoice");
    auto* device = child<QComboBox>(*d, "serialDevice");
    auto* baud = child<QComboBox>(*d, "serialBaud");
    EXPECT_EQ(parallel->text(), "Parallèle (LPT1/LPT2)");
    EXPECT_EQ(grbl->text(), "GRBL (USB série)");
    EXPECT_EQ(d->findChild<QLabel*>("serialNote"), nullptr) << "ports were found";
    ASSERT_EQ(device->count(), 3);
    EXPECT_EQ(device->itemText(0), "/dev/ttyUSB3");
    EXPECT_EQ(device->itemText(1), "/dev/ttyACM0 — Arduino Uno");
    EXPECT_EQ(device->itemText(2), "/dev/ttyUSB0 — 1a86");
    EXPECT_EQ(device->currentText(), "/dev/ttyUSB3");
    EXPECT_EQ(baud->count(), 12);
    EXPECT_EQ(baud->currentText(), "115200");
    EXPECT_EQ(lpt->currentText(), "LPT2");

    // Only the chosen backend's fields can be edited, whichever way it changes.
    for (QRadioButton* chosen : {grbl, parallel, grbl}) {
        choose(chosen);
        const bool on_grbl = chosen == grbl;
        EXPECT_EQ(grbl->isChecked(), on_grbl);
        EXPECT_EQ(lpt->isEnabled(), !on_grbl);
        EXPECT_EQ(device->isEnabled(), on_grbl);
        EXPECT_EQ(baud->isEnabled(), on_grbl);
    }
    device->setCurrentIndex(1);
    baud->setCurrentText("250000");
    press(*d, QDialogButtonBox::Ok);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(d->Backend, 1);
    EXPECT_EQ(d->Device, "/dev/ttyACM0");
    EXPECT_EQ(d->Baud, 250000);
    EXPECT_EQ(d->Lpt, 2);

    // Back to the parallel port: LPT1, the GRBL connection left as stored.
    s.Backend = vexor::MachineBackendKind::grbl;
    s.Baud = 921600;
    d = open(s, {});
    EXPECT_TRUE(child<QRadioButton>(*d, "backendGrbl")->isChecked());
    EXPECT_EQ(child<QComboBox>(*d, "serialBaud")->currentText(), "921600");
    choose(child<QRadioButton>(*d, "backendParallel"));
    child<QComboBox>(*d, "lptChoice")->setCurrentIndex(0);
    child<QComboBox>(*d, "serialBaud")->setCurrentText("9600");
    press(*d, QDialogButtonBox::Ok);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->Backend, 0);
    EXPECT_EQ(d->Lpt, 1);
    EXPECT_EQ(d->Device, "/dev/ttyUSB3");
    EXPECT_EQ(d->Baud, 921600);
}

TEST_F(ConnectionDialogTest, GrblWithoutADeviceIsRefusedAndATypedOneTaken) {
    vexor::MachineSettings s;
    auto d = open(s, {});
    auto* note = child<QLabel>(*d, "serialNote");
    EXPECT_EQ(note->text(),
              "Aucun port série trouvé : branchez la machine ou saisissez le périphérique.");
    auto* device = child<QComboBox>(*d, "serialDevice");
    EXPECT_EQ(device->count(), 0);
    choose(child<QRadioButton>(*d, "backendGrbl"));
    press(*d, QDialogButtonBox::Ok);
    EXPECT_TRUE(d->isVisible());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Indiquez le port série de la machine GRBL (par exemple /dev/ttyUSB0).");
    EXPECT_EQ(d->Backend, 0) << "nothing accepted";

    device->setFocus();
    QTest::keyClicks(device, "  ");  // blanks are no device
    press(*d, QDialogButtonBox::Ok);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(messages.size(), 2u);

    device->setEditText("/dev/ttyS4");
    press(*d, QDialogButtonBox::Ok);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->Backend, 1);
    EXPECT_EQ(d->Device, "/dev/ttyS4");
    EXPECT_EQ(d->Baud, 115200);
}

}  // namespace
