#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class GridStyle;
class GridTableView;
#include "SQLConnection.h"
class QStackedLayout;

// A level of the grid: shows one view.
class GridLevel : public QObject
{
    Q_OBJECT
public:
    explicit GridLevel(QObject *parent = nullptr) : QObject(parent) {}
    QPointer<QWidget> GridView;
    QString Caption;
};

// The system's data grid: levels of views, the shared named styles, the user and layout
// settings, the database connection of its layout store.
class TcxDBGridKVO : public QWidget
{
    Q_OBJECT
public:
    explicit TcxDBGridKVO(QWidget *parent = nullptr);
    ~TcxDBGridKVO() override;

    // Settings
    int Usuario() const { return fUsuario; }
    void setUsuario(int value) { fUsuario = value; }
    int Contador() const { return fContador; }
    void setContador(int value) { fContador = value; }
    int Idioma() const { return fIdioma; }
    void setIdioma(int value) { fIdioma = value; }
    SQLConnection *sqlConnection() const { return fSQLConnection; }
    void setSQLConnection(SQLConnection *connection) { fSQLConnection = connection; }
    QString Tecnologia() const { return fTecnologia; }
    void setTecnologia(const QString &value) { fTecnologia = value; }
    bool Zebrar() const { return fZebrar; }
    void AjustaZebra(bool value);

    struct {
        bool NativeStyle = true;
    } LookAndFeel;

    // Named styles, owned by the grid (component names = field names).
    GridStyle *cxEstiloTitulo;
    GridStyle *cxEstiloGrupo;
    GridStyle *cxEstiloLinha;
    GridStyle *cxEstiloTotalTitulo;
    GridStyle *cxEstiloGraficoLegenda;
    GridStyle *cxEstiloZebrado;
    GridStyle *cxEstiloNormal;

    // Levels and views
    GridLevel *CreateLevel(const QString &name);
    const QList<GridLevel *> &Levels() const { return m_levels; }
    // A new table view owned by the grid, shown by no level yet.
    GridTableView *CreateTableView(const QString &name);
    void setLevelView(GridLevel *level, QWidget *view);
    QWidget *ActiveView() const;

private:
    int fUsuario = 0;
    int fContador = 0;
    int fIdioma = 1;
    bool fZebrar = false;
    QPointer<SQLConnection> fSQLConnection;
    QString fTecnologia;
    QList<GridLevel *> m_levels;
    QStackedLayout *m_stack;
};
