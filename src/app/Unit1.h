#pragma once

#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QToolButton;
class SQLConnection;
class SQLDataSet;
class DataSetProvider;
class ClientDataSet;
class DataSource;
class TcxDBGridKVO;
class TcxDBGridPanelKVO;
class GridLevel;
class GridTableView;

// The lock manager's window: opens a connection to Oracle or SQL Server, lists the
// sessions that block others and kills the blockers.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // Fields
    QString sPvUsuarioOracle;
    QString SenhadoBanco;

    // Designed controls
    QFrame *Panel1;
    QLabel *Label1;
    QLabel *lblSituacao;
    QComboBox *cbxBD;
    QPushButton *btnAbriBD;
    QLabel *Label4;
    QLineEdit *edtBaseDados;
    QLabel *Label2;
    QLineEdit *edtUsuarioOracle;
    QFrame *Panel3;
    QToolButton *btnConsultaLock;
    QToolButton *btnEliminaLock;
    QFrame *Panel2;
    TcxDBGridKVO *cxdbgrdkvoLock;
    GridLevel *cxgrdlvlDBGridKVO1Level1;
    GridTableView *cxgrdbtblvwLock;
    QFrame *pnlBotaoCxGrid;
    TcxDBGridPanelKVO *cxdbgrdpnlkvo1;
    QStatusBar *bar;

    // Data chain
    ::SQLConnection *SQLConnection;
    SQLDataSet *sdsLock;
    DataSetProvider *dspLock;
    ClientDataSet *cdsLock;
    DataSource *dtsLock;
    SQLDataSet *SQL;

    // Event handlers (each may throw; the wiring runs them inside the error guard)
    void FormCreate();
    void FormShow();
    void btnAbriBDClick();
    void SQLConnectionAfterConnect();
    void btnConsultaLockClick();
    void btnEliminaLockClick();

    // The two statements of the SQL Server list and the Oracle list.
    static const QString sqlSpWho2;
    static const QString sqlDetalheSqlServer;
    static const QString sqlOracle;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void createControls();
    void createDataChain();
    void layoutControls();
    void aplicaConfiguracao(int indice, bool primeiraTentativa);
    void criaColunas(bool oracle);
    void consultaSqlServer();
    void consultaOracle();

    bool m_shown = false;
    bool m_outerSizeFixed = false;
    bool m_painted = false;
};
