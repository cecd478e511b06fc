// Menu captions by language (the caption sets of the main window's menus).
#include "shell/menu_captions.h"

#include <array>
#include <string>

namespace {

// Columns: the languages that have texts, in this order.
constexpr std::array<int, 6> kLanguageCodes = {1, 2, 6, 7, 8, 12};
constexpr int kEnglishColumn = 1;

// Rows in the order of TCaptionKey. Every caption has an access key, and within one menu no two
// items share one in any language; a composite caption (Quick 3, Document 1, Open (Table)) takes
// the key of its own part (StripAccessKey). Chinese captions carry the Latin letter after the
// text ("文件(&F)"), as Korean ones do.
constexpr const char* kCaptionTable[ckCaptionKeyCount][kLanguageCodes.size()] = {
    {"&Datei", "&File", "&Arquivo", "&Fisier", "파일(&F)", "文件(&F)"}, // file menu
    {"&Neu...", "&New...", "&Novo...", "&Fisier nou...", "새로만들기(&N)", "新建(&N)..."}, // new
    {"Ö&ffnen...", "&Open...", "&Abrir...", "&Deschide...", "열기(&O)", "打开(&O)..."},    // open
    {"&Speichern...", "&Save...", "&Salvar", "&Salveaza", "저장(&S)...", "保存(&S)..."},   // save
    {"Speichern &Unter...", "Save &As...", "Salvar &como...", "Salveaza &ca...",
     "다른이름으로 저장(&A)", "另存为(&A)..."}, // save as
    {"&Drucken...", "&Print...", "&Imprimir...", "&Imprimare...", "프린트(&P)",
     "打印(&P)..."}, // print
    {"E&instellungen", "Se&ttings", "Con&fig...", "Set&ari", "환경설정(&t)",
     "设置(&T)"},                                                               // settings
    {"&Beenden", "E&xit", "Sai&da", "I&esire", "끝내기(&x)", "退出(&X)"},       // exit
    {"&Bearbeiten", "&Edit", "&Editar", "&Editare", "편집(&E)", "编辑(&E)"},    // edit menu
    {"Te&xt", "Te&xt", "&Texto", "Te&xt", "텍스트(&x)", "文本(&X)"},            // text
    {"&Quick", "&Quick", "&Rapido", "&Vedere rapida", "Quick(&Q)", "快速(&Q)"}, // quick
    {"&Bezugsprofil", "C&utting Tool", "PERF&IL DA FERRAMENTA", "S&cula aschietoare",
     "절삭공구(&u)", "切割工具(&U)"}, // cutting tool
    {"&Abmessungen", "&Dimensions", "&Dimensions", "&Dimensiuni", "치수(&D)",
     "尺寸(&D)"},                                                                   // dimensions
    {"&Qualität", "&Quality", "&QUALIDADE", "Ca&litate", "품질(&Q)", "品质(&Q)"},   // quality
    {"&Messen", "Me&asurement", "&MEDICAO", "M&asuratori", "측정(&a)", "测量(&A)"}, // measurement
    {"Be&rechnungsmethode", "&Calculation Method", "Metodo de &Calculo", "&Metoda de calcul",
     "연산방법(&C)", "计算方法(&C)"},                                      // calculation method
    {"&Ansicht", "&View", "&Vista", "E&xaminare", "보기(&V)", "视图(&V)"}, // view menu
    {"&Fertigungszeichnung", "&Production drawing", "&Plano de trabalho", "&Desen de productie",
     "산품도(&P)", "产品图纸(&P)"}, // production drawing
    {"&Werkstattblatt", "Production &Sheet", "&DADOS PARA FABRICACAO", "&Schema de productie",
     "제조용시트(&S)", "生产指导书(&S)"},                                        // production sheet
    {"&Zahn", "T&ooth", "DEN&TE", "D&inte", "이(&O)", "齿(&O)"},                 // tooth
    {"&Rad", "&Gear", "&ENGRENAGEM", "&Roata dintaat", "기어 (&G)", "齿轮(&G)"}, // gear
    {"Tab&ellen", "Ta&bles", "TA&BELA", "&Tabele", "테이블(&b)", "表格(&B)"},    // tables
    {"&Verzahnung", "&Toothing", "&DENTADO", "&Dintare", "Toothing(&T)", "齿连接(&T)"}, // toothing
    {"Prü&fmaße", "&Measure", "&MEDIDA", "&Masura", "측정(&M)", "测量(&M)"},            // measure
    {"&Toleranzen", "T&olerance", "T&olerancia", "&Toleranta", "공차(&O)", "公差(&O)"}, // tolerance
    {"&Rollwinkel", "&Roll Angle", "&ANGULO DE ROLAMENTO", "&Roll Angle", "&Roll Angle",
     "&Roll Angle"}, // roll angle
    {"Fehler&meldungen", "&Error messages", "&Mensagens de erro", "&mesaje de eroare",
     "에러메시지(&E)", "错误信息(&E)"}, // error messages
    {"Pol&ylinie Fussausrundung", "Pol&yline Tooth Root", "&CURVA NA RAIZ DO DENTE",
     "Pol&ilinie a radacinii dintelui", "폴리라인 이뿌리(&y)",
     "多线齿轮(&Y)"},                                        // polyline tooth root
    {"&CAD", "&CAD", "&CAD", "&CAD", "&CAD", "CAD绘图(&C)"}, // CAD
    {"Datenban&k", "&Database", "&BDD", "&Baza de date", "데이터베이스(&D)",
     "数据库(&D)"},                                                                // database
    {"D&okument", "D&ocument", "&Documento", "D&ocument", "문서(&o)", "文档(&O)"}, // document
    {"&Zeichnungsdaten", "&Drawing data", "In&formacao do desenho", "&Informatii despre desen",
     "도면데이터(&D)", "图纸(&D)"}, // drawing data
    {"Änderungen - &Info", "Modifications - &Info", "M&ostrar mudancas", "Modificari - In&formatii",
     "수정-정보(&I)", "变更信息(&I)"}, // modifications info
    {"Änderungen - &Ausdruck", "Modifications - &Printout", "&Impressao de mudancas",
     "Modificari - &La imprimanta", "수정-프린트출력(&P)",
     "打印变更(&P)"}, // modifications printout
    {"&Neue Änderung", "Modification - &New", "&Nova mudanca", "Modificari - &Nou",
     "수정-새로 만들기(&N)", "最新变更(&N)"}, // modification new
    {"Letzte Änderung &bearbeiten", "&Edit previous modification", "&Alterar mudancas...",
     "&Editeaza modif. prec.", "이전의 수정편집(&E)", "编辑变更(&E)"}, // edit previous modification
    {"Letzte Änderung &löschen", "De&lete previous modification", "&Deletar mudanca",
     "&Sterge modif. prec.", "이전의 수정삭제(&L)", "删除变更(&L)"}, // delete previous modification
    {"Dokument &Setup", "Document &Setup", "&Configurar Documento", "Document Se&tari",
     "문서설정(&S)", "文档设置(&S)"},                                   // document setup
    {"&Hilfe", "&Help", "Aj&uda", "&Ajutor", "도움말(&H)", "帮助(&H)"}, // help menu
    {"Hilfe&bild", "&Auxiliary images", "&Grafico auxiliar", "&Imagini auxiliare", "도움이미지(&A)",
     "附加图片(&A)"},                                                         // auxiliary images
    {"Menü", "Menu", "Menu", "Meniu", "메뉴", "菜单"},                        // menu
    {"&Sprache", "&Language", "&Language", "&Limba", "언어(&L)", "语言(&L)"}, // language
    {"&Tabelle", "Ta&ble", "Ta&ble", "Ta&bele", "테이블(&b)", "表格(&B)"},    // table
    {"&KELMORA Homepage", "&KELMORA Homepage", "&KELMORA Homepage", "&Pagina de prezentare KELMORA",
     "KELMORA 홈페이지(&K)", "KELMORA 主页(&K)"}, // homepage
    {"&E-Mail an KELMORA", "E-&Mail to KELMORA", "&E-Mail to KELMORA", "&E-Mail catre KELMORA",
     "KELMORA 이메일(&M)", "邮件联系KELMORA(&M)"}, // e-mail
};

// The keys of the vocabulary set; every other key belongs to the main set.
constexpr bool InVocabulary(int key) {
    return key == ckMenu || key == ckLanguage || key == ckTable || key == ckHomepage ||
           key == ckEMail;
}

int ColumnOf(int code) {
    for (std::size_t i = 0; i < kLanguageCodes.size(); ++i)
        if (kLanguageCodes[i] == code) return static_cast<int>(i);
    return -1;
}

std::array<std::string, ckCaptionKeyCount> MakeEnglishSet() {
    std::array<std::string, ckCaptionKeyCount> set;
    for (int k = 0; k < ckCaptionKeyCount; ++k)
        set[static_cast<std::size_t>(k)] = kCaptionTable[k][kEnglishColumn];
    return set;
}

// Both sets start in English, before the main window exists.
std::array<std::string, ckCaptionKeyCount> Captions = MakeEnglishSet();

void AssignSet(int code, bool vocabulary) {
    const int column = ColumnOf(code);
    if (column < 0) return;
    for (int k = 0; k < ckCaptionKeyCount; ++k)
        if (InVocabulary(k) == vocabulary)
            Captions[static_cast<std::size_t>(k)] = kCaptionTable[k][column];
}

} // namespace

const std::string& MenuCaption(TCaptionKey key) {
    return Captions.at(static_cast<std::size_t>(key));
}

void SetMainMenuCaptions(int code) {
    AssignSet(code, false);
}

void SetMenuVocabulary(int code) {
    AssignSet(code, true);
}

bool HasMenuCaptions(int code) {
    return ColumnOf(code) >= 0;
}

std::string StripAccessKey(std::string_view caption) {
    std::string s(caption);
    // "(&X)" after the word, as the Korean captions mark their key; else the first "&".
    for (std::size_t i = 0; i + 3 < s.size(); ++i)
        if (s[i] == '(' && s[i + 1] == '&' && s[i + 2] != '&' && s[i + 3] == ')') {
            s.erase(i, 4);
            return s;
        }
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != '&') continue;
        if (s[i + 1] == '&') {
            ++i; // "&&" is a plain "&"
            continue;
        }
        s.erase(i, 1);
        break;
    }
    return s;
}

