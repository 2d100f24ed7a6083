#pragma once
// The VBScript texts of the demo archive's report layouts, as head office
// writes them: one for every predefined report of the main window's tree.
// Some are made of two texts joined, the layout's own procedures first and
// then a part that several layouts share (it calls the procedures the first
// part defines). Written with LF line ends; the builder stores them with CR LF.

namespace demodb::layouts {

// Orders ("Lista": Elenco, Non Spediti, Non Confermati, Confermati, Annullati).
extern const char* const kOrderList;
// Orders with their references ("ListaConRiferimenti").
extern const char* const kOrderListWithReferences;
// An order's rows, notes and totals ("PropostaOrdine"): a proposal, or the
// confirmation of an order head office approved.
extern const char* const kOrderDocument;

// Customers by name ("ListaPerRagSoc").
extern const char* const kCustomerList;
// Customers by province, with the count of each ("ListaPerProvincia"); joined with kGroupedRows.
extern const char* const kCustomersByProvince;

// Order rows grouped by the order's customer: the shared part of the three
// row lists, to put after the list's own text and before kGroupedRows.
extern const char* const kOrderRowsByCustomer;
// The rows of the orders head office approved ("DettaglioOrdini").
extern const char* const kApprovedOrderRows;
// The rows of the orders sent to head office ("OrdiniSpediti").
extern const char* const kSentOrderRows;
// What is left to ship of each row ("ArticoliDaSpedire").
extern const char* const kRowsToShip;
// Rows printed in groups, each with its heading and total, and the grand
// total: the mask and the row procedure of the grouped lists.
extern const char* const kGroupedRows;

// Statistics: each customer's last 30 days against the 30 before ("AnalisiCrescita").
extern const char* const kCustomerGrowth;
// The year's orders of each customer against its goal ("ConsuntivoClienti").
extern const char* const kCustomerYearSummary;

}  // namespace demodb::layouts
